// A recording double of Opener: every setup target is appended to `opened` and every link to
// `links`; nothing is opened.
#pragma once

#include <string>
#include <vector>

#include "platform/Opener.h"

class RecordingOpener : public Opener {
public:
    std::vector<std::string> opened;
    std::vector<std::string> links;

    void Open(const std::string& target) override;
    void OpenLink(const std::string& link) override;
};
