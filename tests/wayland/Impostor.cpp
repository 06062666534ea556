// Loaded into the real Quillet program (LD_PRELOAD) by the GNOME Shell session tests, as another
// program of the user's could load anything into it: before the program's own start it opens a bus
// connection of its own, calls the shell extension's methods one by one, writes each answer to the
// file named by QUILLET_IMPOSTOR_OUT ("Method ok" or "Method <error name>", one a line) and ends the
// process. The extension sees Quillet's executable behind every call.
#include <gio/gio.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>

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
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
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
    _exit(0);
}
