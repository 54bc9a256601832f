#include "support/RecordingOpener.h"

void RecordingOpener::Open(const std::string& target)
{
    opened.push_back(target);
}

void RecordingOpener::OpenLink(const std::string& link)
{
    links.push_back(link);
}
