// How long ago an input event happened, from the timestamp the desktop put on it. X servers and
// Wayland compositors stamp input with the system's monotonic clock in milliseconds, cut to 32 bits.
#pragma once

#include <QtGlobal>
#include <chrono>
#include <optional>

namespace quillet::InputEventTime {

/// Longer ago than this, a timestamp is taken for one of another clock (a remote X server) rather
/// than for an event that old.
inline constexpr std::chrono::milliseconds plausibleAge{std::chrono::hours(1)};

/// The age of an event stamped `timestamp` when the monotonic clock reads `monotonicNow`; empty for
/// no timestamp (0) and for one the clock cannot have given (from the future, or older than
/// plausibleAge).
std::optional<std::chrono::milliseconds> age(quint64 timestamp, std::chrono::milliseconds monotonicNow);

/// The same against the monotonic clock now.
std::optional<std::chrono::milliseconds> ageNow(quint64 timestamp);

}  // namespace quillet::InputEventTime
