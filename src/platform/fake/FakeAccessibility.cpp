// An in-memory accessibility layer: a tree of scripted elements, observers the test fires, and a
#include "platform/fake/FakeAccessibility.h"

#include <algorithm>

namespace quillet {

namespace {

class FakeElementRef final : public AXElementRef {
public:
    explicit FakeElementRef(std::shared_ptr<FakeElementData> data) : m_data(std::move(data)) {}
    const void* identity() const override { return m_data.get(); }
    FakeElementData& data() const { return *m_data; }
    std::shared_ptr<FakeElementData> shared() const { return m_data; }

private:
    std::shared_ptr<FakeElementData> m_data;
};

FakeElementRef* refOf(const AXElement& element) {
    return dynamic_cast<FakeElementRef*>(element.ref());
}

// The data of an element a call can reach, or null with the error a desktop gives for it.
FakeElementData* reachable(const AXElement& element, AXError& error) {
    FakeElementRef* ref = refOf(element);
    if (!ref) {
        error = AXError::illegalArgument;
        return nullptr;
    }
    if (ref->data().destroyed) {
        error = AXError::invalidUIElement;
        return nullptr;
    }
    return &ref->data();
}

// Writing the selection of a text field replaces the selected range, as a real field does.
void applyWrite(FakeElementData& d, const QString& attribute, const AXValue& value) {
    const QString* text = std::get_if<QString>(&value);
    auto valueIt = d.attributes.find(AXAttr::value);
    const QString* whole = valueIt == d.attributes.end() ? nullptr : std::get_if<QString>(&*valueIt);
    if (attribute == AXAttr::selectedText && text && whole &&
        d.attributes.contains(AXAttr::selectedTextRange)) {
        if (const auto* r = std::get_if<AXTextRange>(&d.attributes[AXAttr::selectedTextRange])) {
            if (r->location >= 0 && r->length >= 0 && r->location + r->length <= whole->size()) {
                const QString next = whole->left(r->location) + *text + whole->mid(r->location + r->length);
                const qint64 caret = r->location + text->size();
                // `whole` points into the map: take the copy above before writing.
                d.attributes[AXAttr::value] = next;
                d.attributes[AXAttr::selectedTextRange] = AXTextRange{caret, 0};
                d.attributes[AXAttr::selectedText] = QString();
                return;
            }
        }
    }
    d.attributes[attribute] = value;
    if (attribute == AXAttr::selectedTextRange && whole) {
        if (const auto* r = std::get_if<AXTextRange>(&value))
            d.attributes[AXAttr::selectedText] = whole->mid(r->location, r->length);
    }
}

}  // namespace

FakeAccessibility::FakeAccessibility() {
    m_systemWide = makeElement(0, {{AXAttr::role, QStringLiteral("AXSystemWide")}});
}

FakeAccessibility::~FakeAccessibility() = default;

void FakeAccessibility::enableAccessibility() {
    ++trustRequests;
    if (trustOnRequest)
        trusted = true;
}

AXElement FakeAccessibility::application(qint32 pid) {
    if (pid <= 0 || offBus.contains(pid))
        return {};
    auto it = m_applications.find(pid);
    if (it == m_applications.end())
        it = m_applications.insert(pid, makeElement(pid, {{AXAttr::role, QStringLiteral("AXApplication")}}));
    return alias(*it);
}

AXError FakeAccessibility::copyAttribute(const AXElement& element, const QString& attribute, AXValue& out) {
    ++calls;
    if (onCopy)
        onCopy(element, attribute);
    AXError error = AXError::success;
    const FakeElementData* const d = reachable(element, error);
    if (!d)
        return error;
    if (auto f = d->copyFailures.find(attribute); f != d->copyFailures.end())
        return *f;
    auto it = d->attributes.find(attribute);
    if (it == d->attributes.end())
        return derivedAttribute(*d, attribute, out);
    out = *it;
    return AXError::success;
}

AXError FakeAccessibility::derivedAttribute(const FakeElementData& d, const QString& attribute,
                                            AXValue& out) {
    // The character count and the caret follow the text and the selection unless a test sets them,
    // as a toolkit's do.
    if (attribute == AXAttr::numberOfCharacters) {
        const AXValue value = d.attributes.value(AXAttr::value);
        if (const QString* text = std::get_if<QString>(&value)) {
            out = qint64(text->size());
            return AXError::success;
        }
    } else if (attribute == AXAttr::caretOffset) {
        const AXValue range = d.attributes.value(AXAttr::selectedTextRange);
        if (const AXTextRange* r = std::get_if<AXTextRange>(&range)) {
            out = r->location + r->length;
            return AXError::success;
        }
    } else if (attribute == AXAttr::textNearCaret) {
        const AXValue value = d.attributes.value(AXAttr::value);
        const QString* text = std::get_if<QString>(&value);
        AXValue caret = d.attributes.value(AXAttr::caretOffset);
        if (text && (std::holds_alternative<qint64>(caret) ||
                     derivedAttribute(d, AXAttr::caretOffset, caret) == AXError::success)) {
            const qint64 at = std::clamp<qint64>(std::get<qint64>(caret), 0, text->size());
            const qint64 start = std::max<qint64>(0, at - AXAttr::nearCaretSpan);
            out = text->mid(start, std::min<qint64>(text->size(), at + AXAttr::nearCaretSpan) - start);
            return AXError::success;
        }
    }
    return AXError::noValue;
}

AXError FakeAccessibility::isAttributeSettable(const AXElement& element, const QString& attribute,
                                               bool& settable) {
    ++calls;
    AXError error = AXError::success;
    const FakeElementData* const d = reachable(element, error);
    if (!d)
        return error;
    if (auto f = d->settableFailures.find(attribute); f != d->settableFailures.end())
        return *f;
    settable = d->settable.contains(attribute);
    return AXError::success;
}

AXError FakeAccessibility::setAttribute(const AXElement& element, const QString& attribute,
                                        const AXValue& value) {
    ++calls;
    setCalls.append(SetCall{element, attribute, value});
    AXError error = AXError::success;
    FakeElementData* const d = reachable(element, error);
    if (!d)
        return error;
    if (auto f = d->setFailures.find(attribute); f != d->setFailures.end())
        return *f;
    // The desktop accepts this switch on every application without storing anything.
    if (attribute == AXAttr::manualAccessibility) {
        if (onSet)
            onSet(element, attribute, value);
        return AXError::success;
    }
    if (!d->settable.contains(attribute))
        return AXError::attributeUnsupported;
    if (d->ignoredWrites.contains(attribute))
        return AXError::success;
    applyWrite(*d, attribute, value);
    if (auto rb = d->readBackAfterWrite.find(attribute); rb != d->readBackAfterWrite.end())
        d->attributes[attribute] = *rb;
    if (onSet)
        onSet(element, attribute, value);
    return AXError::success;
}

AXError FakeAccessibility::replaceText(const AXElement& element, const AXTextRange& range,
                                       const QString& text) {
    ++calls;
    AXError error = AXError::success;
    FakeElementData* const d = reachable(element, error);
    if (!d)
        return error;
    const int number = ++d->editsAsked;
    const AXValue value = d->attributes.value(AXAttr::value);
    const QString* current = std::get_if<QString>(&value);
    const bool refused = !d->takesEdits || !current || d->refusedEdits.contains(number) ||
                         (d->refusesEditsFrom > 0 && number >= d->refusesEditsFrom);
    const bool inRange = current && range.location >= 0 && range.length >= 0 &&
                         range.location + range.length <= current->size();
    if (refused || !inRange) {
        editCalls.append(EditCall{element, range, text, false, current ? *current : QString()});
        return refused ? AXError::attributeUnsupported : AXError::illegalArgument;
    }
    QString after = *current;
    if (!d->ignoresEdits) {
        after.replace(range.location, range.length, text);
        d->attributes[AXAttr::value] = after;
    }
    editCalls.append(EditCall{element, range, text, true, after});
    return AXError::success;
}

AXError FakeAccessibility::pid(const AXElement& element, qint32& pid) {
    ++calls;
    AXError error = AXError::success;
    const FakeElementData* const d = reachable(element, error);
    if (!d)
        return error;
    if (d->pidError != AXError::success)
        return d->pidError;
    pid = d->pid;
    return AXError::success;
}

std::unique_ptr<AXObserver> FakeAccessibility::createObserver(qint32 pid, AXNotificationHandler handler) {
    if (pid <= 0 || observerFailures.contains(pid) || !handler)
        return nullptr;
    ++observersCreated;
    return m_observers.create(pid, std::move(handler), [](const AXElement& element) {
        if (!refOf(element))
            return AXError::illegalArgument;
        return FakeAccessibility::data(element).destroyed ? AXError::invalidUIElement : AXError::success;
    });
}

AXElement FakeAccessibility::makeElement(qint32 pid, const QMap<QString, AXValue>& attributes) {
    auto d = std::make_shared<FakeElementData>();
    d->pid = pid;
    d->attributes = attributes;
    return AXElement(std::make_shared<FakeElementRef>(std::move(d)));
}

AXElement FakeAccessibility::makeTextField(qint32 pid, const QString& value, const Rect& frame) {
    AXElement e = makeElement(pid, {{AXAttr::role, QStringLiteral("AXTextField")}, {AXAttr::value, value}});
    setSettable(e, AXAttr::value, true);
    setFrame(e, frame);
    return e;
}

AXElement FakeAccessibility::alias(const AXElement& element) const {
    FakeElementRef* ref = refOf(element);
    if (!ref)
        return {};
    return AXElement(std::make_shared<FakeElementRef>(ref->shared()));
}

FakeElementData& FakeAccessibility::data(const AXElement& element) {
    FakeElementRef* ref = refOf(element);
    Q_ASSERT(ref);
    return ref->data();
}

void FakeAccessibility::set(const AXElement& element, const QString& attribute, const AXValue& value) {
    data(element).attributes[attribute] = value;
}

void FakeAccessibility::remove(const AXElement& element, const QString& attribute) {
    data(element).attributes.remove(attribute);
}

void FakeAccessibility::setSettable(const AXElement& element, const QString& attribute, bool settable) {
    if (settable) {
        data(element).settable.insert(attribute);
    } else {
        data(element).settable.remove(attribute);
    }
}

void FakeAccessibility::setFrame(const AXElement& element, const Rect& frame) {
    set(element, AXAttr::position, frame.topLeft());
    set(element, AXAttr::size, frame.size());
}

void FakeAccessibility::setFocused(const AXElement& element) {
    if (element.isNull()) {
        remove(m_systemWide, AXAttr::focusedUIElement);
    } else {
        set(m_systemWide, AXAttr::focusedUIElement, alias(element));
    }
}

void FakeAccessibility::destroy(const AXElement& element) {
    FakeElementData& d = data(element);
    d.destroyed = true;
    notify(d.pid, alias(element), AXNotification::uiElementDestroyed);
}

void FakeAccessibility::addChild(const AXElement& parent, const AXElement& child) {
    data(parent).children.append(alias(child));
}

void FakeAccessibility::joinBus(qint32 pid) {
    offBus.remove(pid);
    notify(pid, application(pid), AXNotification::applicationJoined);
}

void FakeAccessibility::notify(qint32 pid, const AXElement& element, const QString& notification) {
    m_observers.deliver(pid, element, notification);
}

int FakeAccessibility::liveObservers(qint32 pid) const {
    return m_observers.count(pid);
}

QStringList FakeAccessibility::subscriptions(qint32 pid) const {
    return m_observers.subscriptions(pid);
}

}  // namespace quillet
