// Asks an application to expose its contents to accessibility once per process, when the user first
#include "core/ManualAccessibility.h"

namespace quillet {

bool ManualAccessibility::request(qint32 pid) {
    if (pid <= 0)
        return false;
    const Accessible application = m_ax.application(pid);
    if (application.isNull())
        return false;
    if (auto it = m_asked.find(pid); it != m_asked.end() && *it == application)
        return false;
    if (m_ax.exposeContents(application) != AccessError::success) {
        m_asked.remove(pid);
        return false;
    }
    m_asked.insert(pid, application);
    return true;
}

}  // namespace quillet
