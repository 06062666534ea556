// A script any program on the session bus could load into KWin beside Quillet's: it calls Quillet as
// Quillet's own script does, from the same connection, but does not know the secret. It reports to
// the test (@PROBE@) how each call ended. @KWIN_MODULE@: KWin's module, as in Quillet's script.
import QtQuick 2.15
import @KWIN_MODULE@ as KWinComponents
Item {
    id: root
    property var outcomes: []
    function done(what) {
        outcomes.push(what);
        if (outcomes.length === 3) {
            report.arguments = [JSON.stringify(outcomes)];
            report.call();
        }
    }
    KWinComponents.DBusCall {
        id: report
        service: "@PROBE@"; path: "/probe"; dbusInterface: "com.lumenfold.quillet.TestProbe"; method: "Report"
    }
    Component {
        id: quillet
        KWinComponents.DBusCall {
            service: "com.lumenfold.quillet"; path: "/com/lumenfold/quillet/KWin"
            dbusInterface: "com.lumenfold.quillet.KWin"
            onFinished: root.done(method + " answered")
            onFailed: root.done(method + " refused")
        }
    }
    Component.onCompleted: {
        quillet.createObject(root, { method: "IconClicked", arguments: ["0123456789abcdef0123456789abcdef"] }).call();
        quillet.createObject(root, { method: "Window", arguments: ["", '@WINDOW@'] }).call();
        quillet.createObject(root, { method: "NextOrders", arguments: ["guess"] }).call();
    }
}
