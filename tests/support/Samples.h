// The samples folder beside the repository (../shared/samples, seen from the repository root
// where every test runs): real files made by other people's tools, each folder with a README of
// facts about its files. Only the tests that check such files (byte-exact unpacking, reference
// decoders' digests, real-world quirks) read it; they are labelled `samples` and derive from
// SamplesTest, which skips them, visibly and with one reason, where the folder is absent.
#pragma once

#include <gtest/gtest.h>

#include <string>

// True when the samples folder is there.
bool SamplesPresent();

// The path of a sample, `rel` being relative to the samples folder ("gif/fire.gif").
std::string SamplePath(const std::string& rel);

// The bytes of a sample.
std::string SampleBytes(const std::string& rel);

// Marks the running test as skipped when the samples folder is absent; call it from SetUp (or
// first thing in a test body) and return when IsSkipped().
void SkipWithoutSamples();

// Base of the tests that read the samples.
class SamplesTest : public testing::Test {
protected:
    void SetUp() override { SkipWithoutSamples(); }
};

template <typename Param>
class SamplesTestWithParam : public testing::TestWithParam<Param> {
protected:
    void SetUp() override { SkipWithoutSamples(); }
};
