// Quillet's side of its helper script inside KWin (resources/kwin): loads it over D-Bus at start and
#include "platform/linux/kwin/KWinBridge.h"

#include "kwinadaptor.h"
#include "kwinproxy.h"
#include "kwinscriptingproxy.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>

static void initKWinResources() {
    Q_INIT_RESOURCE(kwin);
}

namespace quillet {

namespace {

const QString scriptingPath = QStringLiteral("/Scripting");
const QString kwinPath = QStringLiteral("/KWin");

// Waits for a call's answer: empty when KWin answered with an error or not in time.
template <typename T>
std::optional<T> answer(QDBusPendingReply<T> reply) {
    reply.waitForFinished();
    if (reply.isError())
        return std::nullopt;
    return reply.value();
}

const QString scriptPrefix = QStringLiteral("quillet-");

bool writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit() &&
           QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

/// `words` random 32-bit words from the system's source, in hex.
QString randomHex(int words) {
    QByteArray raw(words * int(sizeof(quint32)), Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(raw.data()), words);
    return QString::fromLatin1(raw.toHex());
}

}  // namespace

KWinBridge::KWinBridge(const QDBusConnection& bus, QObject* parent)
    : CompositorBridge(parent),
      m_bus(bus),
      m_scripting(std::make_unique<KWinScriptingProxy>(kwinService, scriptingPath, m_bus)),
      m_kwin(std::make_unique<KWinProxy>(kwinService, kwinPath, m_bus)) {
    initKWinResources();
    m_scripting->setTimeout(callTimeoutMs);
    m_kwin->setTimeout(callTimeoutMs);
    new KWinAdaptor(this);
    m_bus.registerObject(objectPath, this, QDBusConnection::ExportAdaptors);
    m_keepAlive.setInterval(keepAliveMs);
    connect(&m_keepAlive, &QTimer::timeout, this, [this] {
        if (m_openCall) {
            m_bus.send(m_openCall->createReply(QStringLiteral("[]")));
            m_openCall.reset();
        }
    });
    // KWin started anew (a crash, `kwin_wayland --replace`) has forgotten the script.
    m_watcher = new QDBusServiceWatcher(kwinService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                m_openCall.reset();
                setActive(false);
                if (m_loaded && !newOwner.isEmpty())
                    load();
            });
}

KWinBridge::~KWinBridge() {
    unload();
    m_bus.unregisterObject(objectPath);
}

bool KWinBridge::load() {
    m_loaded = true;
    if (!m_bus.isConnected() || !m_bus.interface())
        return false;
    m_kwinOwner = m_bus.interface()->serviceOwner(kwinService).value();
    if (m_kwinOwner.isEmpty())
        return false;
    QFile shipped(QStringLiteral(":/quillet/kwin/quillet.qml"));
    QFile emblem(QStringLiteral(":/quillet/kwin/emblem.svg"));
    if (!shipped.open(QIODevice::ReadOnly) || !emblem.open(QIODevice::ReadOnly))
        return false;
    // A new secret at each load: whatever learned an earlier one is shut out again.
    m_secret = randomHex(8);
    // The script in the language of the KWin running, whatever the session's variables say.
    const int plasma = KWinScript::plasmaVersion(answer(m_kwin->supportInformation()).value_or(QString()),
                                                 qEnvironmentVariable("KDE_SESSION_VERSION"));
    const std::optional<QString> script =
        KWinScript::text(QString::fromUtf8(shipped.readAll()), plasma, m_bus.baseService(),
                         QCoreApplication::applicationPid(), m_secret);
    if (!script || !writeScript(script->toUtf8(), emblem.readAll()))
        return false;
    // A copy left by an earlier run that ended without unloading it talks to a name long gone.
    const auto stillLoaded = [this] { return answer(m_scripting->isScriptLoaded(scriptName)); };
    std::optional<bool> loaded = stillLoaded();
    if (!loaded)
        return false;
    if (*loaded) {
        m_scripting->unloadScript(scriptName).waitForFinished();
        // KWin lets it go on a later turn of its loop, and refuses a script of the same name until then.
        for (int tries = 0; tries < 20 && loaded.value_or(false); ++tries)
            loaded = stillLoaded();
    }
    const std::optional<int> id = answer(m_scripting->loadDeclarativeScript(m_scriptPath, scriptName));
    if (!id || *id < 0)
        return false;
    QDBusPendingReply<> started = m_scripting->start();
    started.waitForFinished();
    return !started.isError();
}

bool KWinBridge::writeScript(const QByteArray& script, const QByteArray& emblem) {
    // KWin reads the script from a file: one of this user's alone, gone with the session.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString dir = runtime + QStringLiteral("/quillet-kwin");
    if (runtime.isEmpty() || !QDir().mkpath(dir) ||
        !QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return false;
    // Those of earlier runs, and of this one before KWin started anew, are read no more.
    removeScriptFile();
    QDir scripts(dir);
    for (const QString& old :
         scripts.entryList({scriptPrefix + QStringLiteral("*")}, QDir::Files | QDir::Dirs))
        QFileInfo(scripts.filePath(old)).isDir() ? QDir(scripts.filePath(old)).removeRecursively()
                                                 : QFile::remove(scripts.filePath(old));
    // KWin compiles a script once for each file name and, for as long as it runs, runs what it
    // compiled then whenever that name is loaded again: the first load's bus name and secret, long
    // after that copy of Quillet has gone. So each load has a file of its own, in a folder of its
    // own: KWin's QML engine remembers what a folder held when it first looked, and takes a file
    // added to it later for one that is not there.
    const QString folder = scriptPrefix + randomHex(4);
    if (!scripts.mkdir(folder) || !scripts.cd(folder))
        return false;
    m_scriptPath = scripts.filePath(QStringLiteral("quillet.qml"));
    return writeFile(m_scriptPath, script) &&
           writeFile(scripts.filePath(QStringLiteral("emblem.svg")), emblem);
}

void KWinBridge::removeScriptFile() {
    if (!m_scriptPath.isEmpty())
        QFileInfo(m_scriptPath).dir().removeRecursively();
    m_scriptPath.clear();
}

void KWinBridge::unload() {
    if (!m_loaded)
        return;
    m_loaded = false;
    // The open call ends the script's loop; unloading takes its windows away.
    m_orders = {KWinScript::quit()};
    flush();
    m_scripting->unloadScript(scriptName).waitForFinished();
    removeScriptFile();
    m_secret.clear();
    setActive(false);
}

bool KWinBridge::fromScript(const QString& secret) {
    // KWin may have started anew since the script was loaded: then the secret is a new one too.
    const auto fromKWin = [&] { return !m_kwinOwner.isEmpty() && message().service() == m_kwinOwner; };
    if (!fromKWin() && m_bus.interface())
        m_kwinOwner = m_bus.interface()->serviceOwner(kwinService).value();
    if (fromKWin() && !m_secret.isEmpty() && secret == m_secret)
        return true;
    sendErrorReply(QStringLiteral("com.lumenfold.quillet.KWin.Error.AccessDenied"),
                   QStringLiteral("Only KWin's script for Quillet may call this."));
    return false;
}

void KWinBridge::setActive(bool active) {
    if (m_active == active)
        return;
    m_active = active;
    if (!active) {
        m_window.reset();
        m_keepAlive.stop();
    }
    Q_EMIT activeChanged(active);
}

void KWinBridge::Hello(const QString& secret) {
    if (fromScript(secret))
        setActive(true);
}

void KWinBridge::Window(const QString& secret, const QString& json) {
    if (!fromScript(secret))
        return;
    setActive(true);
    const std::optional<KWinScript::ActiveWindow> window = KWinScript::activeWindow(json.toUtf8());
    if (!window)
        return;
    m_window = window;
    Q_EMIT windowChanged();
}

void KWinBridge::IconClicked(const QString& secret) {
    if (fromScript(secret))
        Q_EMIT iconClicked();
}

QString KWinBridge::NextOrders(const QString& secret) {
    if (!fromScript(secret))
        return {};
    setActive(true);
    // An earlier call still open is one KWin stopped waiting for.
    m_openCall.reset();
    setDelayedReply(true);
    m_openCall = message();
    m_keepAlive.start();
    if (!m_orders.isEmpty())
        flush();
    return {};
}

void KWinBridge::send(const QByteArray& order) {
    if (!m_active)
        return;
    if (KWinScript::concernsIcon(order))
        m_orders.removeIf([](const QByteArray& queued) { return KWinScript::concernsIcon(queued); });
    m_orders << order;
    flush();
}

void KWinBridge::flush() {
    if (!m_openCall || m_orders.isEmpty())
        return;
    QByteArray list = "[";
    for (qsizetype i = 0; i < m_orders.size(); ++i)
        list += (i ? "," : "") + m_orders[i];
    list += ']';
    m_orders.clear();
    m_bus.send(m_openCall->createReply(QString::fromUtf8(list)));
    m_openCall.reset();
}

std::optional<ScreenPosition::WindowRects> KWinBridge::focusedWindow(qint32 pid) {
    if (!m_active || !m_window || m_window->pid == 0 || (pid != 0 && m_window->pid != pid))
        return std::nullopt;
    return m_window->rects;
}

bool KWinBridge::showIcon(const QRect& rect, const QString& look, const QString& tooltip) {
    send(KWinScript::showIcon(rect, look, tooltip));
    return m_active;
}

void KWinBridge::hideIcon() {
    send(KWinScript::hideIcon());
}

bool KWinBridge::placeWindow(const QString& title, const QRect& rect, bool focus) {
    send(KWinScript::place(title, rect, focus));
    return m_active;
}

bool KWinBridge::activateProcess(qint32 pid) {
    send(KWinScript::activate(pid));
    return m_active;
}

}  // namespace quillet
