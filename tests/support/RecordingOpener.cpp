#include "support/RecordingOpener.h"

void RecordingOpener::Open(const std::string& target)
{
    opened.push_back(target);
}
