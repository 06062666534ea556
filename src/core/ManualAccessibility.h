// Asks an application to expose its contents to accessibility once per process, when the user first
// brings it to the front: browsers and applications built on them show nothing but their frames
// until someone asks, and asking costs them time on every later change of a busy page.
#pragma once

#include <QHash>

#include "platform/Accessibility.h"

namespace quillet {

class ManualAccessibility {
public:
    explicit ManualAccessibility(Accessibility& ax) : m_ax(ax) {}
    ManualAccessibility(const ManualAccessibility&) = delete;
    ManualAccessibility& operator=(const ManualAccessibility&) = delete;

    /// Asks the application of process `pid` to expose its contents, unless it was asked already. An
    /// application that is not on the accessibility bus yet, or did not take the request, is asked
    /// again next time; a new process that reuses the number is a new application and is asked too.
    /// True when the request went out now.
    bool request(qint32 pid);

private:
    Accessibility& m_ax;
    // The application element each process was asked through: held, so that its identity cannot be
    // taken by another application's element while it is remembered here.
    QHash<qint32, Accessible> m_asked;
};

}  // namespace quillet
