// Quillet's helper inside KWin, loaded by Quillet over D-Bus while it runs (and unloaded when it
// quits): it tells Quillet where the active window is, shows Quillet's icon at the field as one of
// KWin's own windows, which never takes the keyboard, and places Quillet's panel, none of which a
// Wayland client may do for itself.
//
// Quillet fills in the marked words before loading it: the import of KWin's module and how the
// workspace is named (they differ between Plasma 5 and 6), Quillet's own name on the bus, the
// only one this script talks to, and the secret of this load, which every call to Quillet carries:
// other scripts in KWin share its connection to the bus, and Quillet refuses calls without it. Each
// load comes from a file of its own name, as KWin keeps what it compiled by the file's name. Orders
// come as the answers to a call held open by Quillet until it has one (NextOrders), so they reach
// KWin in one hop without polling.
import QtQuick 2.15
import QtQuick.Window 2.15
import @KWIN_MODULE@ as KWinComponents

Item {
    id: root

    readonly property var ws: @WORKSPACE@
    readonly property string service: "@SERVICE@"
    readonly property int quilletPid: @PID@
    readonly property string secret: "@SECRET@"
    property var watched: null
    // The panel Quillet asked for before its window showed: placed when it does.
    property var pendingPlace: null
    property int failures: 0

    function activeWindow() {
        return ws.activeWindow !== undefined ? ws.activeWindow : ws.activeClient;
    }
    // Plasma 6 offers QML its windows as a list; Plasma 5 as a call.
    function windows() {
        return ws.windows !== undefined ? ws.windows : ws.clientList();
    }
    function rect(r) {
        return r ? { x: Math.round(r.x), y: Math.round(r.y), w: Math.round(r.width), h: Math.round(r.height) }
                 : null;
    }
    function report() {
        var w = activeWindow();
        var body = w ? { pid: w.pid, frame: rect(w.frameGeometry), buffer: rect(w.bufferGeometry) } : { pid: 0 };
        send("Window", [JSON.stringify(body)]);
    }
    function send(method, args) {
        var call = sender.createObject(root, { method: method, arguments: [root.secret].concat(args) });
        call.call();
    }
    function follow(w) {
        if (watched && watched.frameGeometryChanged)
            watched.frameGeometryChanged.disconnect(report);
        watched = w;
        if (w && w.frameGeometryChanged)
            w.frameGeometryChanged.connect(report);
        report();
    }
    function quilletWindow(title) {
        var list = windows();
        for (var i = 0; i < list.length; i++)
            if (list[i].pid === quilletPid && String(list[i].caption) === title)
                return list[i];
        return null;
    }
    function place(order) {
        var w = quilletWindow(order.title);
        if (!w) {
            pendingPlace = order;
            return;
        }
        pendingPlace = null;
        w.keepAbove = true;
        w.onAllDesktops = true;
        w.frameGeometry = Qt.rect(order.x, order.y, order.w, order.h);
        if (order.focus) {
            if (ws.activeWindow !== undefined)
                ws.activeWindow = w;
            else
                ws.activeClient = w;
        }
    }
    function activate(pid) {
        var list = windows();
        for (var i = list.length - 1; i >= 0; i--) {
            if (list[i].pid === pid && !list[i].minimized) {
                if (ws.activeWindow !== undefined)
                    ws.activeWindow = list[i];
                else
                    ws.activeClient = list[i];
                return;
            }
        }
    }
    function carryOut(order) {
        if (order.icon) {
            icon.look = order.icon.look;
            tip.text = order.icon.tip;
            icon.x = order.icon.x;
            icon.y = order.icon.y;
            icon.width = order.icon.w;
            icon.height = order.icon.h;
            icon.visible = true;
            // Under KWin 6 (Qt 6.8) the assignment alone leaves a tool tip window hidden.
            icon.show();
        }
        if (order.hide) {
            icon.visible = false;
            tip.visible = false;
        }
        if (order.place)
            place(order.place);
        if (order.activate)
            activate(order.activate);
        if (order.report)
            report();
    }

    Component {
        id: sender
        KWinComponents.DBusCall {
            service: root.service
            path: "/com/lumenfold/quillet/KWin"
            dbusInterface: "com.lumenfold.quillet.KWin"
            onFinished: destroy()
            onFailed: destroy()
        }
    }

    KWinComponents.DBusCall {
        id: orders
        service: root.service
        path: "/com/lumenfold/quillet/KWin"
        dbusInterface: "com.lumenfold.quillet.KWin"
        method: "NextOrders"
        arguments: [root.secret]
        // The answer as a declared parameter: Qt 6 warns of (and is to drop) one handed in undeclared.
        onFinished: function (returnValue) {
            root.failures = 0;
            var list = [];
            try {
                list = JSON.parse(returnValue[0]);
            } catch (e) {
            }
            var quit = false;
            for (var i = 0; i < list.length; i++) {
                if (list[i].quit)
                    quit = true;
                else
                    root.carryOut(list[i]);
            }
            if (quit) {
                icon.visible = false;
                tip.visible = false;
            } else {
                orders.call();
            }
        }
        // Quillet gone (or too busy to answer for long): the icon goes, and the script asks a few
        // more times before it gives up.
        onFailed: {
            icon.visible = false;
            tip.visible = false;
            if (++root.failures < 4)
                retry.start();
        }
    }

    Timer {
        id: retry
        interval: 1000
        onTriggered: orders.call()
    }

    Window {
        id: icon
        property string look: "ready"
        width: 22
        height: 22
        color: "transparent"
        // A tool tip is a window KWin never gives the keyboard: typing stays in the field.
        flags: Qt.ToolTip | Qt.FramelessWindowHint | Qt.WindowDoesNotAcceptFocus | Qt.WindowStaysOnTopHint
        visible: false

        Rectangle {
            anchors.fill: parent
            radius: width / 2
            color: "#ffffff"
            border.width: 1.6
            border.color: icon.look === "loading" ? "#8e8e94" : icon.look === "error" ? "#ff3b30" : "#1f91a3"
            Image {
                anchors.centerIn: parent
                width: Math.round(parent.width * 0.75)
                height: width
                sourceSize.width: width * 2
                sourceSize.height: height * 2
                source: "emblem.svg"
                opacity: icon.look === "loading" ? 0.45 : 1
            }
        }
        MouseArea {
            anchors.fill: parent
            hoverEnabled: true
            onPressed: root.send("IconClicked", [])
            onContainsMouseChanged: {
                if (containsMouse && tip.text.length > 0) {
                    tip.x = icon.x + icon.width / 2 - tip.width / 2;
                    tip.y = icon.y - tip.height - 4;
                }
                tip.visible = containsMouse && tip.text.length > 0;
            }
        }
    }

    Window {
        id: tip
        property alias text: label.text
        width: label.implicitWidth + 16
        height: label.implicitHeight + 8
        color: "#eb1e1e1e"
        flags: Qt.ToolTip | Qt.FramelessWindowHint | Qt.WindowDoesNotAcceptFocus | Qt.WindowStaysOnTopHint
        visible: false
        Text {
            id: label
            anchors.centerIn: parent
            color: "#ffffff"
            font.pointSize: 9
        }
    }

    Connections {
        target: root.ws
        ignoreUnknownSignals: true
        function onClientActivated(w) { root.follow(w); }
        function onWindowActivated(w) { root.follow(w); }
        function onClientAdded(w) { root.added(w); }
        function onWindowAdded(w) { root.added(w); }
    }

    function added(w) {
        if (pendingPlace && w && w.pid === quilletPid) {
            // Its caption may come a moment after the window itself.
            placeSoon.start();
        }
    }

    Timer {
        id: placeSoon
        interval: 50
        repeat: true
        property int tries: 0
        onTriggered: {
            if (!root.pendingPlace || ++tries > 20) {
                tries = 0;
                stop();
                return;
            }
            root.place(root.pendingPlace);
        }
    }

    Component.onCompleted: {
        send("Hello", []);
        follow(activeWindow());
        orders.call();
    }
}
