// An in-memory accessibility layer: a tree of scripted elements, watches the test fires, and a
#include "platform/fake/FakeAccessibility.h"

#include <algorithm>

namespace quillet {

namespace {

class FakeElementRef final : public AccessibleRef {
public:
    explicit FakeElementRef(std::shared_ptr<FakeElementData> data) : m_data(std::move(data)) {}
    const void* identity() const override { return m_data.get(); }
    FakeElementData& data() const { return *m_data; }
    std::shared_ptr<FakeElementData> shared() const { return m_data; }

private:
    std::shared_ptr<FakeElementData> m_data;
};

FakeElementRef* refOf(const Accessible& element) {
    return dynamic_cast<FakeElementRef*>(element.ref());
}

// The data of an element a call can reach, or null with the error a desktop gives for it.
FakeElementData* reachable(const Accessible& element, AccessError& error) {
    FakeElementRef* ref = refOf(element);
    if (!ref) {
        error = AccessError::illegalArgument;
        return nullptr;
    }
    if (ref->data().destroyed) {
        error = AccessError::invalidElement;
        return nullptr;
    }
    return &ref->data();
}

// Writing the selection of a text field replaces the selected range, as a real field does.
void applyWrite(FakeElementData& d, Property attribute, const PropertyValue& value) {
    const QString* text = std::get_if<QString>(&value);
    auto valueIt = d.attributes.find(Property::value);
    const QString* whole = valueIt == d.attributes.end() ? nullptr : std::get_if<QString>(&*valueIt);
    if (attribute == Property::selectedText && text && whole &&
        d.attributes.contains(Property::selectedTextRange)) {
        if (const auto* r = std::get_if<TextRange>(&d.attributes[Property::selectedTextRange])) {
            if (r->location >= 0 && r->length >= 0 && r->location + r->length <= whole->size()) {
                const QString next = whole->left(r->location) + *text + whole->mid(r->location + r->length);
                const qint64 caret = r->location + text->size();
                // `whole` points into the map: take the copy above before writing.
                d.attributes[Property::value] = next;
                d.attributes[Property::selectedTextRange] = TextRange{caret, 0};
                d.attributes[Property::selectedText] = QString();
                return;
            }
        }
    }
    d.attributes[attribute] = value;
    if (attribute == Property::selectedTextRange && whole) {
        if (const auto* r = std::get_if<TextRange>(&value))
            d.attributes[Property::selectedText] = whole->mid(r->location, r->length);
    }
}

}  // namespace

FakeAccessibility::FakeAccessibility() {
    m_root = makeElement(0, {{Property::role, QStringLiteral("desktop frame")}});
}

FakeAccessibility::~FakeAccessibility() = default;

void FakeAccessibility::enableAccessibility() {
    ++trustRequests;
    if (trustOnRequest)
        trusted = true;
}

Accessible FakeAccessibility::application(qint32 pid) {
    if (pid <= 0 || offBus.contains(pid))
        return {};
    auto it = m_applications.find(pid);
    if (it == m_applications.end())
        it = m_applications.insert(pid, makeElement(pid, {{Property::role, QStringLiteral("application")}}));
    return alias(*it);
}

Answer<Accessible> FakeAccessibility::focusedElement() {
    Answer<Accessible> focused = readAs<Accessible>(m_root, Property::focusedElement);
    if (focused && focused->isNull())
        return AccessError::noValue;
    return focused;
}

Answer<Rect> FakeAccessibility::frame(const Accessible& element) {
    const Answer<QPointF> position = readAs<QPointF>(element, Property::position);
    if (!position)
        return position.error();
    const Answer<QSizeF> size = readAs<QSizeF>(element, Property::size);
    if (!size)
        return size.error();
    return Rect(*position, *size);
}

AccessError FakeAccessibility::read(const Accessible& element, Property attribute, PropertyValue& out) {
    ++calls;
    if (onCopy)
        onCopy(element, attribute);
    AccessError error = AccessError::success;
    const FakeElementData* const d = reachable(element, error);
    if (!d)
        return error;
    if (auto f = d->copyFailures.find(attribute); f != d->copyFailures.end())
        return *f;
    auto it = d->attributes.find(attribute);
    if (it == d->attributes.end())
        return derivedProperty(*d, attribute, out);
    out = *it;
    return AccessError::success;
}

AccessError FakeAccessibility::derivedProperty(const FakeElementData& d, Property attribute,
                                               PropertyValue& out) {
    // The character count and the caret follow the text and the selection unless a test sets them,
    // as a toolkit's do.
    if (attribute == Property::numberOfCharacters) {
        const PropertyValue value = d.attributes.value(Property::value);
        if (const QString* text = std::get_if<QString>(&value)) {
            out = qint64(text->size());
            return AccessError::success;
        }
    } else if (attribute == Property::caretOffset) {
        const PropertyValue range = d.attributes.value(Property::selectedTextRange);
        if (const TextRange* r = std::get_if<TextRange>(&range)) {
            out = r->location + r->length;
            return AccessError::success;
        }
    } else if (attribute == Property::textNearCaret) {
        const PropertyValue value = d.attributes.value(Property::value);
        const QString* text = std::get_if<QString>(&value);
        PropertyValue caret = d.attributes.value(Property::caretOffset);
        if (text && (std::holds_alternative<qint64>(caret) ||
                     derivedProperty(d, Property::caretOffset, caret) == AccessError::success)) {
            const qint64 at = std::clamp<qint64>(std::get<qint64>(caret), 0, text->size());
            const qint64 start = std::max<qint64>(0, at - nearCaretSpan);
            out = text->mid(start, std::min<qint64>(text->size(), at + nearCaretSpan) - start);
            return AccessError::success;
        }
    }
    return AccessError::noValue;
}

bool FakeAccessibility::settable(const Accessible& element, Property attribute) {
    ++calls;
    AccessError error = AccessError::success;
    const FakeElementData* const d = reachable(element, error);
    return d && !d->settableFailures.contains(attribute) && d->settable.contains(attribute);
}

AccessError FakeAccessibility::write(const Accessible& element, Property attribute,
                                     const PropertyValue& value) {
    ++calls;
    setCalls.append(SetCall{element, attribute, value});
    AccessError error = AccessError::success;
    FakeElementData* const d = reachable(element, error);
    if (!d)
        return error;
    if (auto f = d->setFailures.find(attribute); f != d->setFailures.end())
        return *f;
    // The desktop accepts this switch on every application without storing anything.
    if (attribute == Property::manualAccessibility) {
        if (onSet)
            onSet(element, attribute, value);
        return AccessError::success;
    }
    if (!d->settable.contains(attribute))
        return AccessError::unsupported;
    if (d->ignoredWrites.contains(attribute))
        return AccessError::success;
    applyWrite(*d, attribute, value);
    if (auto rb = d->readBackAfterWrite.find(attribute); rb != d->readBackAfterWrite.end())
        d->attributes[attribute] = *rb;
    if (onSet)
        onSet(element, attribute, value);
    return AccessError::success;
}

AccessError FakeAccessibility::replaceText(const Accessible& element, const TextRange& range,
                                           const QString& text) {
    ++calls;
    AccessError error = AccessError::success;
    FakeElementData* const d = reachable(element, error);
    if (!d)
        return error;
    const int number = ++d->editsAsked;
    const PropertyValue value = d->attributes.value(Property::value);
    const QString* current = std::get_if<QString>(&value);
    const bool refused = !d->takesEdits || !current || d->refusedEdits.contains(number) ||
                         (d->refusesEditsFrom > 0 && number >= d->refusesEditsFrom);
    const bool inRange = current && range.location >= 0 && range.length >= 0 &&
                         range.location + range.length <= current->size();
    if (refused || !inRange) {
        editCalls.append(EditCall{element, range, text, false, current ? *current : QString()});
        return refused ? AccessError::unsupported : AccessError::illegalArgument;
    }
    QString after = *current;
    if (!d->ignoresEdits) {
        after.replace(range.location, range.length, text);
        d->attributes[Property::value] = after;
    }
    editCalls.append(EditCall{element, range, text, true, after});
    return AccessError::success;
}

AccessError FakeAccessibility::pid(const Accessible& element, qint32& pid) {
    ++calls;
    AccessError error = AccessError::success;
    const FakeElementData* const d = reachable(element, error);
    if (!d)
        return error;
    if (d->pidError != AccessError::success)
        return d->pidError;
    pid = d->pid;
    return AccessError::success;
}

std::unique_ptr<EventWatch> FakeAccessibility::createWatch(qint32 pid, AccessEventHandler handler) {
    if (pid <= 0 || watchFailures.contains(pid) || !handler)
        return nullptr;
    ++watchesCreated;
    return m_watches.create(pid, std::move(handler), [](const Accessible& element) {
        if (!refOf(element))
            return AccessError::illegalArgument;
        return FakeAccessibility::data(element).destroyed ? AccessError::invalidElement
                                                          : AccessError::success;
    });
}

Accessible FakeAccessibility::makeElement(qint32 pid, const QMap<Property, PropertyValue>& attributes) {
    auto d = std::make_shared<FakeElementData>();
    d->pid = pid;
    d->attributes = attributes;
    return Accessible(std::make_shared<FakeElementRef>(std::move(d)));
}

Accessible FakeAccessibility::makeTextField(qint32 pid, const QString& value, const Rect& frame) {
    Accessible e =
        makeElement(pid, {{Property::role, QStringLiteral("AXTextField")}, {Property::value, value}});
    setSettable(e, Property::value, true);
    setFrame(e, frame);
    return e;
}

Accessible FakeAccessibility::alias(const Accessible& element) const {
    FakeElementRef* ref = refOf(element);
    if (!ref)
        return {};
    return Accessible(std::make_shared<FakeElementRef>(ref->shared()));
}

FakeElementData& FakeAccessibility::data(const Accessible& element) {
    FakeElementRef* ref = refOf(element);
    Q_ASSERT(ref);
    return ref->data();
}

void FakeAccessibility::set(const Accessible& element, Property attribute, const PropertyValue& value) {
    data(element).attributes[attribute] = value;
}

void FakeAccessibility::remove(const Accessible& element, Property attribute) {
    data(element).attributes.remove(attribute);
}

void FakeAccessibility::setSettable(const Accessible& element, Property attribute, bool settable) {
    if (settable) {
        data(element).settable.insert(attribute);
    } else {
        data(element).settable.remove(attribute);
    }
}

void FakeAccessibility::setFrame(const Accessible& element, const Rect& frame) {
    set(element, Property::position, frame.topLeft());
    set(element, Property::size, frame.size());
}

void FakeAccessibility::setFocused(const Accessible& element) {
    if (element.isNull()) {
        remove(m_root, Property::focusedElement);
    } else {
        set(m_root, Property::focusedElement, alias(element));
    }
}

void FakeAccessibility::destroy(const Accessible& element) {
    FakeElementData& d = data(element);
    d.destroyed = true;
    notify(d.pid, alias(element), AccessEvent::destroyed);
}

void FakeAccessibility::addChild(const Accessible& parent, const Accessible& child) {
    data(parent).children.append(alias(child));
}

void FakeAccessibility::joinBus(qint32 pid) {
    offBus.remove(pid);
    notify(pid, application(pid), AccessEvent::applicationJoined);
}

void FakeAccessibility::notify(qint32 pid, const Accessible& element, AccessEvent event) {
    m_watches.deliver(pid, element, event);
}

int FakeAccessibility::liveWatches(qint32 pid) const {
    return m_watches.count(pid);
}

QList<AccessEvent> FakeAccessibility::subscriptions(qint32 pid) const {
    return m_watches.subscriptions(pid);
}

}  // namespace quillet
