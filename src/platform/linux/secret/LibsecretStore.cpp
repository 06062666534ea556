// The secret store on the desktop's Secret Service, through libsecret's asynchronous calls, made
#include "platform/linux/secret/LibsecretStore.h"

#include <libsecret/secret.h>

#include <thread>

namespace quillet {

namespace {

const SecretSchema* schema() {
    // Items are matched by their attributes alone, whatever schema name another program stored them
    // with. A key that belongs to one server also carries that server's address.
    static const SecretSchema s = {"com.lumenfold.quillet.ApiKey",
                                   SECRET_SCHEMA_DONT_MATCH_NAME,
                                   {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                   0,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr};
    return &s;
}

// Errors are expected (no Secret Service, a daemon gone, a cancelled call) and mean "no answer".
// The shared connection is dropped after one, so a keyring the desktop restarts is reached afresh.
bool failed(GError* error) {
    if (!error)
        return false;
    if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
        secret_service_disconnect();
    g_error_free(error);
    return true;
}

}  // namespace

// A thread with its own main context, where every call to the Secret Service is made and every one
// of its steps is handled.
struct LibsecretStore::Worker {
    Worker() : context(g_main_context_new()), loop(g_main_loop_new(context, FALSE)) {
        thread = std::thread([this] {
            g_main_context_push_thread_default(context);
            g_main_loop_run(loop);
            g_main_context_pop_thread_default(context);
        });
    }
    ~Worker() {
        run([this] { g_main_loop_quit(loop); });
        thread.join();
        g_main_loop_unref(loop);
        g_main_context_unref(context);
    }
    void run(std::function<void()> fn) {
        g_main_context_invoke_full(
            context, G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                (*static_cast<std::function<void()>*>(data))();
                return G_SOURCE_REMOVE;
            },
            new std::function<void()>(std::move(fn)),
            [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
    }

    GMainContext* context;
    GMainLoop* loop;
    std::thread thread;
};

// One call on its way through the service's asynchronous steps, on the worker thread. Owned by the
// step under way; a cancelled call still runs to its last callback, which frees it.
struct LibsecretStore::Op {
    enum class Kind { read, write, remove, unlock };

    Op(Kind k, const Item& item)
        : kind(k),
          cancellable(g_cancellable_new()),
          attributes(secret_attributes_build(schema(), "service", item.service.toUtf8().constData(),
                                             "account", item.account.toUtf8().constData(), nullptr)),
          label(item.server.isEmpty() ? QByteArray("Quillet API key")
                                      : QStringLiteral("Quillet API key for %1").arg(item.server).toUtf8()) {
        if (!item.server.isEmpty())
            g_hash_table_insert(attributes, g_strdup("server"), g_strdup(item.server.toUtf8().constData()));
    }
    ~Op() {
        g_object_unref(cancellable);
        g_hash_table_unref(attributes);
        if (service)
            g_object_unref(service);
        g_list_free_full(items, g_object_unref);
    }

    Kind kind;
    std::function<void(Reply)> post;  // hands the answer to the main thread
    GCancellable* cancellable;
    GHashTable* attributes;
    QByteArray label;
    QByteArray secret;
    SecretService* service = nullptr;
    GList* items = nullptr;  // items still to delete
    bool cancelled() const { return g_cancellable_is_cancelled(cancellable); }

    // The last step: answers unless cancelled, and frees the call.
    void answer(Reply reply) {
        if (!cancelled())
            post(std::move(reply));
        delete this;
    }
    void answer(Status status) { answer(Reply{status, {}}); }

    static void serviceReady(GObject*, GAsyncResult* result, gpointer data);
    static void searched(GObject* source, GAsyncResult* result, gpointer data);
    static void defaultCollection(GObject*, GAsyncResult* result, gpointer data);
    static void stored(GObject* source, GAsyncResult* result, gpointer data);
    static void deleted(GObject* source, GAsyncResult* result, gpointer data);
    static void unlocked(GObject* source, GAsyncResult* result, gpointer data);
    static void created(GObject*, GAsyncResult* result, gpointer data);
    void deleteNext();
    void unlockObjects(GList* objects);
};

void LibsecretStore::Op::serviceReady(GObject*, GAsyncResult* result, gpointer data) {
    auto* op = static_cast<Op*>(data);
    GError* error = nullptr;
    op->service = secret_service_get_finish(result, &error);
    if (failed(error) || op->cancelled() || !op->service) {
        op->answer(Status::unavailable);
        return;
    }
    if (op->kind == Kind::write) {
        // A new item goes to the default collection; writing into a locked one would prompt.
        secret_collection_for_alias(op->service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE,
                                    op->cancellable, &Op::defaultCollection, op);
        return;
    }
    // Searching never unlocks anything: a locked item is reported as such, and only unlock() prompts.
    const auto flags = op->kind == Kind::read ? SECRET_SEARCH_LOAD_SECRETS : SECRET_SEARCH_ALL;
    secret_service_search(op->service, schema(), op->attributes, SecretSearchFlags(flags), op->cancellable,
                          &Op::searched, op);
}

void LibsecretStore::Op::searched(GObject* source, GAsyncResult* result, gpointer data) {
    auto* op = static_cast<Op*>(data);
    GError* error = nullptr;
    GList* items = secret_service_search_finish(SECRET_SERVICE(source), result, &error);
    if (failed(error) || op->cancelled()) {
        g_list_free_full(items, g_object_unref);
        op->answer(Status::unavailable);
        return;
    }
    // A search finds every item holding these attributes, more or not: the key of no server in
    // particular is the item without a server's address.
    if (!g_hash_table_contains(op->attributes, "server")) {
        for (GList* l = items; l;) {
            GList* next = l->next;
            GHashTable* found = secret_item_get_attributes(SECRET_ITEM(l->data));
            if (found && g_hash_table_contains(found, "server")) {
                g_object_unref(l->data);
                items = g_list_delete_link(items, l);
            }
            if (found)
                g_hash_table_unref(found);
            l = next;
        }
    }
    op->items = items;
    GList* locked = nullptr;
    for (GList* l = items; l; l = l->next)
        if (secret_item_get_locked(SECRET_ITEM(l->data)))
            locked = g_list_append(locked, l->data);

    switch (op->kind) {
        case Kind::read: {
            if (!items) {
                op->answer(Status::absent);
            } else if (secret_item_get_locked(SECRET_ITEM(items->data))) {
                op->answer(Status::locked);
            } else if (SecretValue* value = secret_item_get_secret(SECRET_ITEM(items->data))) {
                gsize length = 0;
                const gchar* bytes = secret_value_get(value, &length);
                Reply reply{Status::ok, QByteArray(bytes, static_cast<qsizetype>(length))};
                secret_value_unref(value);
                op->answer(std::move(reply));
            } else {
                op->answer(Status::unavailable);
            }
            break;
        }
        case Kind::remove:
            if (locked)
                op->answer(Status::locked);
            else
                op->deleteNext();
            break;
        case Kind::unlock:
            if (locked) {
                op->unlockObjects(locked);
                locked = nullptr;  // handed on
            } else if (items) {
                op->answer(Status::ok);  // nothing left to unlock
            } else {
                secret_collection_for_alias(op->service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE,
                                            op->cancellable, &Op::defaultCollection, op);
            }
            break;
        case Kind::write:
            break;
    }
    g_list_free(locked);
}

void LibsecretStore::Op::defaultCollection(GObject*, GAsyncResult* result, gpointer data) {
    auto* op = static_cast<Op*>(data);
    GError* error = nullptr;
    SecretCollection* collection = secret_collection_for_alias_finish(result, &error);
    if (failed(error) || op->cancelled()) {
        if (collection)
            g_object_unref(collection);
        op->answer(Status::unavailable);
        return;
    }
    if (op->kind == Kind::unlock) {
        if (!collection) {
            // No default collection at all: making one asks the user for its password.
            secret_collection_create(op->service, "Login", SECRET_COLLECTION_DEFAULT,
                                     SECRET_COLLECTION_CREATE_NONE, op->cancellable, &Op::created, op);
        } else if (secret_collection_get_locked(collection)) {
            op->unlockObjects(g_list_append(nullptr, collection));
        } else {
            op->answer(Status::ok);
        }
        if (collection)
            g_object_unref(collection);
        return;
    }
    // Writing: only into an open default collection, so that the write itself never prompts.
    if (!collection || secret_collection_get_locked(collection)) {
        if (collection)
            g_object_unref(collection);
        op->answer(Status::locked);
        return;
    }
    g_object_unref(collection);
    SecretValue* value =
        secret_value_new(op->secret.constData(), op->secret.size(), "application/octet-stream");
    secret_service_store(op->service, schema(), op->attributes, SECRET_COLLECTION_DEFAULT,
                         op->label.constData(), value, op->cancellable, &Op::stored, op);
    secret_value_unref(value);
}

void LibsecretStore::Op::stored(GObject* source, GAsyncResult* result, gpointer data) {
    auto* op = static_cast<Op*>(data);
    GError* error = nullptr;
    const gboolean ok = secret_service_store_finish(SECRET_SERVICE(source), result, &error);
    op->answer(!failed(error) && ok ? Status::ok : Status::unavailable);
}

void LibsecretStore::Op::deleteNext() {
    if (!items) {
        answer(Status::ok);
        return;
    }
    auto* item = SECRET_ITEM(items->data);
    items = g_list_delete_link(items, items);
    secret_item_delete(item, cancellable, &Op::deleted, this);
    g_object_unref(item);  // the call holds its own reference
}

void LibsecretStore::Op::deleted(GObject* source, GAsyncResult* result, gpointer data) {
    auto* op = static_cast<Op*>(data);
    GError* error = nullptr;
    const gboolean ok = secret_item_delete_finish(SECRET_ITEM(source), result, &error);
    if (failed(error) || !ok || op->cancelled()) {
        op->answer(Status::unavailable);
        return;
    }
    op->deleteNext();
}

void LibsecretStore::Op::unlockObjects(GList* objects) {
    // The one place where the user is asked: the keyring shows its unlock prompt.
    secret_service_unlock(service, objects, cancellable, &Op::unlocked, this);
    g_list_free(objects);  // the objects themselves belong to the caller
}

void LibsecretStore::Op::unlocked(GObject* source, GAsyncResult* result, gpointer data) {
    auto* op = static_cast<Op*>(data);
    GError* error = nullptr;
    GList* opened = nullptr;
    const gint count = secret_service_unlock_finish(SECRET_SERVICE(source), result, &opened, &error);
    g_list_free_full(opened, g_object_unref);
    op->answer(!failed(error) && count > 0 ? Status::ok : Status::locked);
}

void LibsecretStore::Op::created(GObject*, GAsyncResult* result, gpointer data) {
    auto* op = static_cast<Op*>(data);
    GError* error = nullptr;
    SecretCollection* collection = secret_collection_create_finish(result, &error);
    const bool ok = !failed(error) && collection;
    if (collection)
        g_object_unref(collection);
    op->answer(ok ? Status::ok : Status::locked);
}

LibsecretStore::LibsecretStore() : m_worker(std::make_unique<Worker>()) {}

LibsecretStore::~LibsecretStore() {
    while (!m_open.empty())
        cancel(m_open.begin()->first);
    m_worker.reset();
}

SecretStore::Ticket LibsecretStore::begin(Op* op, std::function<void(Reply)> done) {
    const Ticket ticket = ++m_next;
    m_open[ticket] = Open{G_CANCELLABLE(g_object_ref(op->cancellable)), std::move(done)};
    // The answer crosses back to the main thread, where the call is looked up again: one cancelled
    // meanwhile is no longer there.
    op->post = [this, ticket](Reply reply) {
        QMetaObject::invokeMethod(
            &m_context, [this, ticket, reply = std::move(reply)] { deliver(ticket, reply); },
            Qt::QueuedConnection);
    };
    m_worker->run(
        [op] { secret_service_get(SECRET_SERVICE_OPEN_SESSION, op->cancellable, &Op::serviceReady, op); });
    return ticket;
}

void LibsecretStore::deliver(Ticket ticket, const Reply& reply) {
    const auto it = m_open.find(ticket);
    if (it == m_open.end())
        return;
    const Open open = it->second;
    m_open.erase(it);
    g_object_unref(open.cancellable);
    open.done(reply);
}

void LibsecretStore::cancel(Ticket ticket) {
    const auto it = m_open.find(ticket);
    if (it == m_open.end())
        return;
    g_cancellable_cancel(it->second.cancellable);
    g_object_unref(it->second.cancellable);
    m_open.erase(it);
}

SecretStore::Ticket LibsecretStore::read(const Item& item, std::function<void(Reply)> done) {
    return begin(new Op(Op::Kind::read, item), std::move(done));
}

SecretStore::Ticket LibsecretStore::write(const Item& item, const QByteArray& secret,
                                          std::function<void(Status)> done) {
    auto* op = new Op(Op::Kind::write, item);
    op->secret = secret;
    return begin(op, [done = std::move(done)](const Reply& reply) { done(reply.status); });
}

SecretStore::Ticket LibsecretStore::remove(const Item& item, std::function<void(Status)> done) {
    return begin(new Op(Op::Kind::remove, item),
                 [done = std::move(done)](const Reply& reply) { done(reply.status); });
}

SecretStore::Ticket LibsecretStore::unlock(const Item& item, std::function<void(bool)> done) {
    return begin(new Op(Op::Kind::unlock, item),
                 [done = std::move(done)](const Reply& reply) { done(reply.status == Status::ok); });
}

}  // namespace quillet
