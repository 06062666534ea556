// Which processes belong to an application: the ones it started, directly or through others.
#include "platform/ProcessTree.h"

namespace quillet {

bool ProcessTree::descendsFrom(qint32 pid, qint32 ancestor, const ParentOf& parentOf) {
    if (pid <= 1 || ancestor <= 1 || pid == ancestor || !parentOf)
        return false;
    qint32 current = pid;
    for (int generation = 0; generation < maxGenerations; ++generation) {
        const std::optional<qint32> parent = parentOf(current);
        // The first process adopts orphans: a page process whose browser is gone is nobody's.
        if (!parent || *parent <= 1 || *parent == current)
            return false;
        if (*parent == ancestor)
            return true;
        current = *parent;
    }
    return false;
}

}  // namespace quillet
