// What the compatibility suite knows of its applications and of the desktop it drives them on: the
// rows of tools/compat/apps.txt and known-issues.txt, the documents they open, the user's own
// clipboard it checks after every paste, and quick reads of the X display.
#pragma once

#include <QMap>
#include <QRect>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace quillet::test {

/// The first paragraph, with the two mistakes the loopback model mends, and its correction.
extern const QString kFirst;
extern const QString kFirstFixed;
/// Several paragraphs; the later ones hold emoji (one with a joiner, one a flag) and combining marks.
extern const QString kDocument;
/// The word the web pages hold in bold, and the text and target of their link.
extern const QString kBoldWord;
extern const QString kLinkText;
extern const QString kLinkTarget;
/// The one line a single-line field holds: the first paragraph, then text that stays as it is,
/// with an emoji and a combining mark; and the same without them, for a field that is typed into.
extern const QString kLine;
extern const QString kTypedLine;
/// The steps, in order; also the columns of the table and the names known-issues.txt uses.
extern const QStringList kSteps;
/// What a step that does not apply to an application reads as in the results: neither passed nor
/// failed.
extern const QString kNotApplicable;
/// Flags and variables that force an application's accessibility on, which no person sets.
extern const QStringList kForcingFlags;

struct AppProfile {
    QString name, kind, group;
    QString command;
    QString windowTitle;  // a pattern for the window to work in, where the application opens several
    QSet<QString> traits;

    /// The field is one line: an entry of a dialog or a search bar, clicked into where it is.
    bool singleLine() const { return traits.contains(QStringLiteral("line")); }
    /// The field is the search bar's, opened with Control+F and typed into.
    bool searchBar() const { return traits.contains(QStringLiteral("search")); }
    /// Nothing of the text shows over accessibility: only the shortcut's steps apply, and the
    /// document is read from the file the application keeps it in.
    bool blind() const { return traits.contains(QStringLiteral("blind")); }
    /// Its page shows the text area's or the editor's text and selection in the window's title (a
    /// script of the page's own, as some editors in a page do), where the driver reads them.
    bool readsTitle() const { return traits.contains(QStringLiteral("title")); }
    /// Its page's title carries the editor's HTML as well: its bold word must stay bold and its link
    /// a link through every correction and Undo.
    bool keepsFormat() const { return traits.contains(QStringLiteral("format")); }
    /// The text is read from the document once the application has saved it (Control+S).
    bool readsSaved() const { return traits.contains(QStringLiteral("saved")); }
    /// A browser: a second process of it, started later, must get the icon as well.
    bool secondProcess() const { return traits.contains(QStringLiteral("second")); }
    /// The program the command starts, past any NAME=value words before it.
    QString program() const;
    /// The flags of the command that force accessibility on, joined; empty when none does.
    QString forcedFlags() const;
};

/// The row of tools/compat/apps.txt named `name`.
std::optional<AppProfile> profile(const QString& name);
/// Empty when the HTML of a web page still holds the bold word in bold and the link as a link;
/// otherwise what was lost.
QString formattingLost(const QString& html);
/// "step" -> reason, for the steps of `app` expected to fail today.
QMap<QString, QString> knownIssues(const QString& app);

/// The user's own clipboard, as this process offers it: several formats, one of them binary. Every
/// paste Quillet makes borrows it, and must give it back byte for byte.
void offerUsersClipboard();
/// Empty when the clipboard holds the user's contents again (waiting up to `timeoutMs` for that);
/// otherwise what it holds instead.
QString usersClipboardBack(int timeoutMs = 3000);
/// The text selected anywhere on the display (X11's primary selection); empty when none is offered.
std::optional<QString> primarySelection();

// Reads of the display made in this process, quick enough to time the icon by: no program started
// for each look.
namespace X11 {
unsigned long activeWindow();
qint64 windowPid(unsigned long window);
/// The window's title (_NET_WM_NAME); empty when it has none.
QString windowName(unsigned long window);
}  // namespace X11

}  // namespace quillet::test
