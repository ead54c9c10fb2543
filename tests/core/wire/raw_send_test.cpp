// Which error numbers of a failed send mean that the same frame may go later.
#include "wire/raw_send.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(RawSend, OnlyAFullQueueOrASignalIsWorthAnotherSend) {
    const struct {
        int error_number;
        FrameSend meaning;
    } cases[] = {
        {ENOBUFS, FrameSend::TryAgain}, {EAGAIN, FrameSend::TryAgain},   {EWOULDBLOCK, FrameSend::TryAgain},
        {EINTR, FrameSend::TryAgain},   {ENETDOWN, FrameSend::Failed},   {ENXIO, FrameSend::Failed},
        {EMSGSIZE, FrameSend::Failed},  {ENODEV, FrameSend::Failed},     {0, FrameSend::Failed},
    };
    for (const auto& c : cases) EXPECT_EQ(send_failure_from_error(c.error_number), c.meaning) << c.error_number;
}

}  // namespace
