// A global shortcut the user chooses: its modifiers and one key, how it is written in the
#include "core/Shortcut.h"

#include <QList>
#include <QStringList>
#include <array>

namespace quillet {

namespace {

struct Key {
    QString name;
    quint32 keysym;  // in the US layout, lower case for letters
    quint8 usKeycode;
    bool standsAlone;  // may be a shortcut without Ctrl, Alt or Super
};

// The keys a shortcut may use, with their X keysyms and their evdev keycodes on a US keyboard.
const QList<Key>& keys() {
    static const QList<Key> table = [] {
        QList<Key> t;
        const char* rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
        const quint8 rowStart[] = {24, 38, 52};
        for (int r = 0; r < 3; ++r)
            for (int i = 0; rows[r][i]; ++i) {
                const char c = rows[r][i];
                t.append({QString(QChar(c).toUpper()), quint32(c), quint8(rowStart[r] + i), false});
            }
        for (int d = 1; d <= 10; ++d) {
            const int digit = d % 10;
            t.append({QString::number(digit), quint32('0' + digit), quint8(9 + d), false});
        }
        for (int f = 1; f <= 24; ++f) {
            const quint8 code = f <= 10 ? quint8(66 + f) : f <= 12 ? quint8(84 + f) : quint8(178 + f);
            t.append({QStringLiteral("F%1").arg(f), quint32(0xffbd + f), code, true});
        }
        t.append({QStringLiteral("Space"), 0x20, 65, false});
        const std::array<std::pair<char, quint8>, 11> punctuation{{{'-', 20},
                                                                   {'=', 21},
                                                                   {'[', 34},
                                                                   {']', 35},
                                                                   {';', 47},
                                                                   {'\'', 48},
                                                                   {'`', 49},
                                                                   {'\\', 51},
                                                                   {',', 59},
                                                                   {'.', 60},
                                                                   {'/', 61}}};
        for (const auto& [c, code] : punctuation)
            t.append({QString(QChar(c)), quint32(c), code, false});
        t.append({QStringLiteral("Insert"), 0xff63, 118, false});
        t.append({QStringLiteral("Delete"), 0xffff, 119, false});
        t.append({QStringLiteral("Home"), 0xff50, 110, false});
        t.append({QStringLiteral("End"), 0xff57, 115, false});
        t.append({QStringLiteral("Page Up"), 0xff55, 112, false});
        t.append({QStringLiteral("Page Down"), 0xff56, 117, false});
        t.append({QStringLiteral("Left"), 0xff51, 113, false});
        t.append({QStringLiteral("Up"), 0xff52, 111, false});
        t.append({QStringLiteral("Right"), 0xff53, 114, false});
        t.append({QStringLiteral("Down"), 0xff54, 116, false});
        t.append({QStringLiteral("Print"), 0xff61, 107, true});
        t.append({QStringLiteral("Pause"), 0xff13, 127, true});
        return t;
    }();
    return table;
}

const Key* keyNamed(const QString& name) {
    for (const Key& k : keys())
        if (k.name.compare(name, Qt::CaseInsensitive) == 0)
            return &k;
    return nullptr;
}

const Key* keyWithSymbol(quint32 keysym) {
    if (keysym >= 'A' && keysym <= 'Z')
        keysym += 'a' - 'A';
    for (const Key& k : keys())
        if (k.keysym == keysym)
            return &k;
    return nullptr;
}

const Key* keyAt(quint32 keycode) {
    for (const Key& k : keys())
        if (k.usKeycode == keycode)
            return &k;
    return nullptr;
}

struct ModifierName {
    unsigned bit;
    QString name;
};
const std::array<ModifierName, 4> kModifierOrder{{{HotkeyModifier::ctrl, QStringLiteral("Ctrl")},
                                                  {HotkeyModifier::alt, QStringLiteral("Alt")},
                                                  {HotkeyModifier::super, QStringLiteral("Super")},
                                                  {HotkeyModifier::shift, QStringLiteral("Shift")}}};

std::optional<unsigned> modifierNamed(const QString& name) {
    for (const ModifierName& m : kModifierOrder)
        if (m.name.compare(name, Qt::CaseInsensitive) == 0)
            return m.bit;
    // The names other desktops use for the same keys.
    if (name.compare(QLatin1String("Control"), Qt::CaseInsensitive) == 0)
        return HotkeyModifier::ctrl;
    if (name.compare(QLatin1String("Meta"), Qt::CaseInsensitive) == 0)
        return HotkeyModifier::super;
    return std::nullopt;
}

}  // namespace

Shortcut Shortcut::defaultShortcut() {
    return Shortcut{HotkeyModifier::super | HotkeyModifier::shift, QStringLiteral("G")};
}

std::optional<Shortcut> Shortcut::inEffect(const QString& stored) {
    if (stored.isEmpty())
        return std::nullopt;
    return fromText(stored).value_or(defaultShortcut());
}

QString Shortcut::text() const {
    QStringList parts;
    for (const ModifierName& m : kModifierOrder)
        if (modifiers & m.bit)
            parts << m.name;
    parts << key;
    return parts.join(QLatin1Char('+'));
}

std::optional<Shortcut> Shortcut::fromText(const QString& text) {
    const QStringList parts = text.trimmed().split(QLatin1Char('+'));
    Shortcut shortcut;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const std::optional<unsigned> bit = modifierNamed(parts[i].trimmed());
        if (!bit || (shortcut.modifiers & *bit))
            return std::nullopt;
        shortcut.modifiers |= *bit;
    }
    const Key* key = keyNamed(parts.last().trimmed());
    if (!key)
        return std::nullopt;
    shortcut.key = key->name;
    return shortcut;
}

std::optional<Shortcut> Shortcut::fromKeyPress(unsigned modifiers, quint32 keysym, quint32 keycode) {
    if (isModifierKey(keysym))
        return std::nullopt;
    const Key* key = keyWithSymbol(keysym);
    if (!key)
        key = keyAt(keycode);
    if (!key)
        return std::nullopt;
    const unsigned known =
        HotkeyModifier::ctrl | HotkeyModifier::alt | HotkeyModifier::shift | HotkeyModifier::super;
    return Shortcut{modifiers & known, key->name};
}

bool Shortcut::isModifierKey(quint32 keysym) {
    return (keysym >= 0xffe1 && keysym <= 0xffee)     // Shift, Control, Caps Lock, Meta, Alt, Super, Hyper
           || (keysym >= 0xfe01 && keysym <= 0xfe13)  // ISO level and group shifts and locks
           || keysym == 0xff7e || keysym == 0xff7f;   // Mode_switch, Num_Lock
}

bool Shortcut::needsModifier() const {
    const Key* k = keyNamed(key);
    const bool standsAlone = k && k->standsAlone;
    return !standsAlone &&
           !(modifiers & (HotkeyModifier::ctrl | HotkeyModifier::alt | HotkeyModifier::super));
}

KeyCombination Shortcut::combination() const {
    const Key* k = keyNamed(key);
    return KeyCombination{modifiers, k ? k->keysym : 0u, k ? k->usKeycode : quint8(0)};
}

}  // namespace quillet
