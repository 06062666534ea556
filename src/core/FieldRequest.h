// What a click on the icon or the shortcut turns into: the field, its selection or whole text as
// read then, and whether the field a request was made for still has the keyboard.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <optional>

#include "core/FocusedField.h"
#include "core/TriggerFreshness.h"
#include "platform/Scheduler.h"

namespace quillet {

class Accessibility;
class Workspace;
struct L10n;

struct FieldRequest {
    FocusedField field;
    bool selectionOnly = false;
    /// The field's whole text; empty when it could not be read.
    std::optional<QString> fullValue;
    /// The text sent for checking, as the field gave it.
    QString shown;
    /// Where `shown` starts in the field (-1 when unknown).
    qint64 location = 0;

    /// Why read() made no request.
    enum class NoRequest {
        /// Nothing to check: the field or the selection is blank.
        blank,
        /// The field holds text that did not come through whole: objects in its place (U+FFFC),
        /// nothing, or less than the field says it holds. Nothing of it may be sent: a check of
        /// what did come would call the rest flawless, and a write would cut it off.
        unreadable,
        /// Neither the selection nor the text could be read: the application did not answer (a
        /// browser waiting a moment for another program's clipboard). It may answer shortly.
        unanswered,
    };

    /// How often, and how far apart, a request whose field did not answer is read again: longer in
    /// all than a browser waits for another program's clipboard (a second).
    static constexpr int unansweredRetries = 6;
    static constexpr std::chrono::milliseconds unansweredRetryDelay{250};
    /// Where `why` is that the field did not answer and retry `retry` is not the last, runs `again`
    /// a little later; whether it will.
    static bool readAgainLater(Scheduler& scheduler, NoRequest why, int retry, std::function<void()> again);

    /// Reads `field` for a request: its selection, else its whole text. Empty, with the reason in
    /// `why`, when there is no text to check.
    static std::optional<FieldRequest> read(Accessibility& ax, Workspace& workspace, FocusedField field,
                                            NoRequest* why = nullptr);
    /// A request for the selection a copy found in `field`, a field that never tells its selection:
    /// it stands where the copied text stands in the field's text, where that is in one place only.
    static std::optional<FieldRequest> ofCopied(Accessibility& ax, Workspace& workspace, FocusedField field,
                                                const QString& copied);
    /// What the user is told when the field could not be read.
    static QString unreadableNotice(const L10n& l);

    /// Whether `field` is still the one a request made by `trigger` is about: the icon's field, in
    /// the application in front (or one of this program's own windows), holding the keyboard.
    /// `focusedNow` reads the field that has the keyboard now, empty where that cannot be told.
    static bool isStillTheField(Workspace& workspace, const FocusedField& field, const Trigger& trigger,
                                const std::function<std::optional<FocusedField>()>& focusedNow);
};

}  // namespace quillet
