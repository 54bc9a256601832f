#include <ostream>

#include "zulcheck/Commands.h"

int RunDecode(const std::string&, std::ostream&, std::ostream& err)
{
    err << "zulcheck: --decode is not available yet\n";
    return 2;
}
