// Loaded into the real Quillet program (LD_PRELOAD) by the GNOME Shell session tests, as another
// program of the user's could load anything into it: before the program's own start it opens a bus
// connection of its own, calls the shell extension's methods one by one, writes each answer to the
// file named by QUILLET_IMPOSTOR_OUT ("Method ok" or "Method <error name>", one a line) and ends the
// process. The extension sees Quillet's executable behind every call. With QUILLET_IMPOSTOR_FORK=1
// the calls come from a forked child instead, over a connection the program's process opened before
// the fork, while that process stays stopped: the bus names the stopped process as the caller.
#include <gio/gio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static GVariant* clipboardFormats() {
    GVariantBuilder formats;
    g_variant_builder_init(&formats, G_VARIANT_TYPE("a{say}"));
    g_variant_builder_add(&formats, "{s@ay}", "text/plain",
                          g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, "stolen", 6, 1));
    return g_variant_new("(a{say})", &formats);
}

static void call(GDBusConnection* bus, FILE* out, const char* method, GVariant* arguments) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, "org.gnome.Shell", "/com/lumenfold/quillet/Shell",
                                                  "com.lumenfold.quillet.Shell", method, arguments, nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    if (reply) {
        fprintf(out, "%s ok\n", method);
        g_variant_unref(reply);
        return;
    }
    gchar* name = g_dbus_error_get_remote_error(error);
    fprintf(out, "%s %s\n", method, name ? name : error->message);
    g_free(name);
    g_error_free(error);
}

__attribute__((constructor)) static void impostor() {
    const char* path = std::getenv("QUILLET_IMPOSTOR_OUT");
    if (!path)
        return;
    const char* pid = std::getenv("QUILLET_IMPOSTOR_PID");
    FILE* out = fopen(path, "w");
    GDBusConnection* bus = nullptr;
    if (std::getenv("QUILLET_IMPOSTOR_FORK")) {
        // The socket is connected here, so the bus records this process; the greeting and the
        // calls are the child's.
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        GIOStream* stream =
            address ? g_dbus_address_get_stream_sync(address, nullptr, nullptr, nullptr) : nullptr;
        const pid_t child = stream ? fork() : -1;
        if (child > 0) {
            raise(SIGSTOP);
            int status = 0;
            waitpid(child, &status, 0);
            _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
        }
        if (child == 0) {
            bus = g_dbus_connection_new_sync(
                stream, nullptr,
                GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                     G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, nullptr);
            // The parent is stopped once it says so; the calls are made while it is.
            for (char state = 0; state != 'T';) {
                char stat[256] = {};
                char name[64];
                snprintf(name, sizeof name, "/proc/%d/stat", int(getppid()));
                FILE* file = fopen(name, "r");
                if (!file || !fgets(stat, sizeof stat, file))
                    _exit(1);
                fclose(file);
                const char* end = strrchr(stat, ')');
                state = end && end[1] ? end[2] : 0;
            }
        }
    } else {
        bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    }
    if (!out || !bus)
        _exit(1);
    // Quillet's executable passes the extension's first check: the greeting is answered.
    call(bus, out, "Hello", g_variant_new("(b)", FALSE));
    call(bus, out, "GetClipboard", nullptr);
    call(bus, out, "SetClipboard", clipboardFormats());
    call(bus, out, "GetSelectionText", nullptr);
    call(bus, out, "PressKeys", g_variant_new("(su)", "paste", 1));
    call(bus, out, "ActivateProcess", g_variant_new("(u)", pid ? guint32(std::atoi(pid)) : 1));
    call(bus, out, "RenewGrant", nullptr);
    call(bus, out, "EndGrant", nullptr);
    call(bus, out, "FocusedWindow", nullptr);
    call(bus, out, "Hello", g_variant_new("(b)", TRUE));
    fclose(out);
    if (std::getenv("QUILLET_IMPOSTOR_FORK"))
        kill(getppid(), SIGCONT);
    _exit(0);
}
