// A recording double of SoundOutput: what would be heard, one line a call (a sound from memory
// as its bytes).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sound/Sounds.h"

class RecordingSoundOutput : public SoundOutput {
public:
    std::vector<std::string> played;
    void PlayFromMemory(std::shared_ptr<const std::string> wav) override { played.push_back(*wav); }
    void PlayLoop(const std::string& disc_path) override { played.push_back("loop " + disc_path); }
    void StopAll() override { played.push_back("stop"); }
};
