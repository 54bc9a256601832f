#include "elements/ElementContext.h"

std::out_of_range IndexError(long long index, std::size_t size)
{
    return std::out_of_range("index out of range in function: vector:: at(size_t) \n index: " +
                             std::to_string(index) + " is greater than max_index: " +
                             std::to_string(size) + " ");
}
