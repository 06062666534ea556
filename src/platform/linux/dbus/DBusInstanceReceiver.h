// The object later starts call on the running copy's name, as the generated adaptor hands it their
// requests.
#pragma once

#include <QDBusContext>
#include <QObject>

#include "platform/InstanceChannel.h"

namespace quillet {

/// Each method comes with the moment (monotonic clock, milliseconds) the start made its request;
/// the forms without it, of earlier versions, count as made now. Each request is answered as it
/// arrives, turned down there when the gate says so, and carried out after its answer has gone out,
/// so a request to quit is answered before the program ends.
class DBusInstanceReceiver : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    DBusInstanceReceiver(InstanceChannel::RequestHandler onRequest, InstanceChannel::RequestGate admit);

    void ShowSettings() { arrive(InstanceRequest::settings, 0); }
    void ShowSettings(qlonglong madeAt) { arrive(InstanceRequest::settings, madeAt); }
    void Trigger() { arrive(InstanceRequest::trigger, 0); }
    void Trigger(qlonglong madeAt) { arrive(InstanceRequest::trigger, madeAt); }
    void Quit() { arrive(InstanceRequest::quit, 0); }
    void Quit(qlonglong madeAt) { arrive(InstanceRequest::quit, madeAt); }

private:
    void arrive(InstanceRequest request, qlonglong madeAt);
    void handleLater(InstanceRequest request, qlonglong madeAt);

    InstanceChannel::RequestHandler m_onRequest;
    InstanceChannel::RequestGate m_admit;
};

}  // namespace quillet
