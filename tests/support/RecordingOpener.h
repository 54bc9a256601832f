// A recording double of Opener: every target is appended to `opened`; nothing is opened.
#pragma once

#include <string>
#include <vector>

#include "platform/Opener.h"

class RecordingOpener : public Opener {
public:
    std::vector<std::string> opened;

    void Open(const std::string& target) override;
};
