#pragma once

// A test suite whose cases hear the sound output through one capture for
// the whole suite (see sound_capture.h): started before its first case,
// stopped after its last. Each case opens an output of its own.

#include "sound_capture.h"

#include <gtest/gtest.h>

#include <memory>

namespace klavet::testing {

template <typename Suite>
class CaptureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { capture_ = Capture::ForThisRun().release(); }
    static void TearDownTestSuite() {
        delete capture_;
        capture_ = nullptr;
    }

    // Opens `output_` once it streams; fails the case if the capture or the
    // device is not there.
    void OpenOutput() {
        ASSERT_TRUE(capture_->Ready()) << "the private sound server did not start";
        output_ = capture_->StreamingOutput();
        ASSERT_NE(output_, nullptr) << "no device opened";
    }

    static inline Capture* capture_ = nullptr;
    std::unique_ptr<SoundOutput> output_;
};

} // namespace klavet::testing
