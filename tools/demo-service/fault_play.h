// Playing one request's fault mode: the answer (or the lack of one) that each
// mode stands for, and the request's log line.
#pragma once

#include <httplib.h>

#include <functional>

#include "connection.h"
#include "fault.h"
#include "service.h"

namespace lumari::demo {

/// Size of the body of the "huge" mode: 17 MiB.
inline constexpr std::size_t kHugeBodySize = 17u * 1024u * 1024u;

/// Half a second between the bytes of the "trickle" mode.
inline constexpr std::chrono::milliseconds kTrickleInterval{500};
/// A trickled body has at least this many bytes: half a minute at one byte every 500 ms.
inline constexpr std::size_t kTrickleMinimumBytes = 64;

/// Answers one service request under `fault` (kNone: a good answer) and logs it.
/// `compute` gives the answer: with Effect::kDeliver for a good answer (also
/// after a delay), with Effect::kPreview for a faulted body, which changes nothing.
void play_fault(const Fault& fault, Connection& connection, const httplib::Request& request,
                httplib::Response& response, const std::function<Answer(Effect)>& compute);

}  // namespace lumari::demo
