// Which processes belong to an application: the ones it started, directly or through others.
#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>

namespace quillet::ProcessTree {

/// The process that started process `pid`; empty when it is gone or cannot be told.
using ParentOf = std::function<std::optional<qint32>(qint32 pid)>;

/// How many generations up from a process are looked at: a browser's page process sits one or two
/// below the browser (three inside a sandbox), and a longer chain is no page of it.
inline constexpr int maxGenerations = 6;

/// Whether process `pid` descends from process `ancestor` (is a child of it, or a child of one of
/// its children...), within `maxGenerations`. A process never descends from itself, and nothing
/// descends from the first process (pid 1) for this rule: every process does.
bool descendsFrom(qint32 pid, qint32 ancestor, const ParentOf& parentOf);

}  // namespace quillet::ProcessTree
