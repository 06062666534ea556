// The suggestion panel's content: the header with its tabs, the corrected text and the alternatives.
#include "ui/SuggestionView.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <optional>

#include "core/AnswerGuard.h"
#include "core/DiffHighlighter.h"
#include "core/SurfacePlacement.h"
#include "platform/Clipboard.h"
#include "ui/Brand.h"
#include "ui/SurfaceWidgets.h"
#include "ui/VariantCard.h"

namespace quillet {

namespace {

// How far above the panel's bottom edge a scroll bar ends: past the rounded corner's radius.
constexpr int kCornerClearance = 18;

// A two-segment control: checkable buttons side by side on one rounded track.
QString segmentStyle(const QWidget& w) {
    const QColor text = Style::primary(w);
    const QColor track = Style::withAlpha(text, 0.08);
    const QColor selected = w.palette().color(QPalette::Base);
    return QStringLiteral(
               "QPushButton { border: none; border-radius: 6px; padding: 3px 12px; margin: 2px;"
               " background: transparent; color: %1; }"
               "QPushButton:checked { background: %2; }")
               .arg(text.name(), selected.name()) +
           QStringLiteral("QFrame#segments { background: %1; border-radius: 8px; }")
               .arg(track.name(QColor::HexArgb));
}

}  // namespace

SuggestionView::SuggestionView(SuggestionViewModel& vm, Clipboard& clipboard, QWidget* parent)
    : SuggestionView(clipboard, parent) {
    bind(vm);
}

SuggestionView::SuggestionView(Clipboard& clipboard, QWidget* parent)
    : QWidget(parent), m_clipboard(clipboard), m_loc(L10n::current()) {
    setFixedSize(SurfacePlacement::panelSize.toSize());
    setAttribute(Qt::WA_TranslucentBackground);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header());

    auto* divider = new QFrame;
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    QPalette pal = divider->palette();
    pal.setColor(QPalette::Window, Style::withAlpha(palette().color(QPalette::Mid), 0.5));
    divider->setPalette(pal);
    column->addWidget(divider);

    // A long text is checked only up to the cut, and the user should know the rest was not.
    m_partialNote = secondaryLabel(QString(), Style::caption(), *this);
    m_partialNote->setObjectName(QStringLiteral("partialNote"));
    m_partialNote->setContentsMargins(14, 8, 14, 0);
    m_partialNote->setWordWrap(true);
    m_partialNote->setVisible(false);
    column->addWidget(m_partialNote);

    m_stack = new QStackedWidget;
    m_correctionPage = new QWidget;
    m_rephrasePage = new QWidget;
    for (QWidget* page : {m_correctionPage, m_rephrasePage}) {
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        m_stack->addWidget(page);
    }
    column->addWidget(m_stack, 1);

    m_staleTabTimer.setSingleShot(true);
    m_staleTabTimer.setInterval(staleTabDelayMs);
    connect(&m_staleTabTimer, &QTimer::timeout, this, [this] {
        if (m_vm && !m_vm->writeRefusal())
            drawStaleTabs(std::nullopt);
    });

    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &SuggestionView::triggerDefault);
    }

    // What a fresh model shows, so that binding one has nothing left to build or lay out.
    drawTexts();
    m_correctionTab->setChecked(true);
    m_drawnLanguage = m_loc.lang;
    m_drawnCorrection = SuggestionViewModel::CorrectionLoad::loading();
    m_drawnRephrase = SuggestionViewModel::RephraseLoad::loading();
    replaceContent(m_correctionPage, loadingView(polishing()));
    replaceContent(m_rephrasePage, loadingView(crafting()));
}

void SuggestionView::bind(SuggestionViewModel& vm) {
    if (m_vm)
        return;
    m_vm = &vm;
    m_partialNote->setVisible(vm.isPartial());
    connect(&vm, &SuggestionViewModel::changed, this, &SuggestionView::refresh);
    connect(&vm, &SuggestionViewModel::progressed, this, &SuggestionView::showProgress);
    connect(&vm, &SuggestionViewModel::actionChanged, this, &SuggestionView::showAction);
    refresh();
}

QWidget* SuggestionView::header() {
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(14, 11, 14, 11);
    row->setSpacing(10);
    row->addWidget(new EmblemBadge, 0, Qt::AlignVCenter);

    auto* segments = new QFrame;
    segments->setObjectName(QStringLiteral("segments"));
    auto* segRow = new QHBoxLayout(segments);
    segRow->setContentsMargins(0, 0, 0, 0);
    segRow->setSpacing(0);
    auto* group = new QButtonGroup(bar);
    group->setExclusive(true);
    m_correctionTab = new QPushButton;
    m_rephraseTab = new QPushButton;
    int value = 0;
    for (QPushButton* tab : {m_correctionTab, m_rephraseTab}) {
        tab->setCheckable(true);
        tab->setFont(Style::font(12.5, QFont::Medium));
        tab->setFocusPolicy(Qt::TabFocus);
        segRow->addWidget(tab);
        group->addButton(tab, value++);
    }
    segments->setStyleSheet(segmentStyle(*this));
    // Toggled, not clicked: a screen reader's toggle action checks the button without a click.
    connect(group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (m_vm && checked && m_vm->selectedTab() != id)
            m_vm->setSelectedTab(id);
    });
    row->addWidget(segments, 0, Qt::AlignVCenter);
    row->addStretch(1);

    m_close = new QPushButton;
    Style::makePlainIconButton(
        *m_close, Style::symbolIcon(Style::Symbol::xmarkCircleFill, Style::secondary(*this)), 16, QString());
    m_close->setObjectName(QStringLiteral("closeButton"));
    connect(m_close, &QPushButton::clicked, this, [this] {
        if (m_vm)
            m_vm->requestClose();
    });
    row->addWidget(m_close, 0, Qt::AlignVCenter);
    return bar;
}

QWidget* SuggestionView::currentContent() const {
    QWidget* page = m_stack->currentWidget();
    return page && page->layout()->count() > 0 ? page->layout()->itemAt(0)->widget() : nullptr;
}

void SuggestionView::drawTexts() {
    m_correctionTab->setText(m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Correction")));
    m_rephraseTab->setText(m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Rephrase")));
    const QString closeTip = m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Close (Esc)"));
    m_close->setToolTip(closeTip);
    m_close->setAccessibleName(closeTip);
    m_partialNote->setText(
        m_loc.text(QT_TRANSLATE_NOOP("Quillet", "The text is long: only its first part was checked.")));
}

void SuggestionView::refresh() {
    if (!m_vm)
        return;
    // Texts follow the interface language of the moment they are drawn.
    const L10n now = L10n::current();
    const bool languageChanged = m_drawnLanguage != now.lang;
    m_loc = now;
    m_drawnLanguage = now.lang;

    drawTexts();
    const int tab = m_vm->selectedTab() != 0 ? 1 : 0;
    m_correctionTab->setChecked(tab == 0);
    m_rephraseTab->setChecked(tab == 1);

    // A refused write is all the panel shows: the results no longer fit the field.
    if (const std::optional<WriteRefusal> refusal = m_vm->writeRefusal()) {
        if (m_drawnRefusal != refusal || languageChanged) {
            m_drawnRefusal = refusal;
            m_defaultButton = nullptr;
            replaceContent(m_correctionPage, refusalView(*refusal));
            replaceContent(m_rephrasePage, refusalView(*refusal));
        }
        m_stack->setCurrentIndex(tab);
        return;
    }
    m_correctionStale = m_correctionStale || languageChanged || m_drawnCorrection != m_vm->correction() ||
                        m_drawnReplacing != m_vm->replacesWhenReady();
    m_rephraseStale = m_rephraseStale || languageChanged || m_drawnRephrase != m_vm->rephrase();
    // A new language is drawn everywhere at once.
    drawStaleTabs(languageChanged ? std::nullopt : std::optional<int>(tab));
    m_stack->setCurrentIndex(tab);
}

void SuggestionView::drawStaleTabs(std::optional<int> inView) {
    if (m_correctionStale && (!inView || inView == 0)) {
        m_correctionStale = false;
        m_drawnCorrection = m_vm->correction();
        m_drawnReplacing = m_vm->replacesWhenReady();
        m_partialText = nullptr;
        replaceContent(m_correctionPage, correctionTab());
    }
    if (m_rephraseStale && (!inView || inView == 1)) {
        m_rephraseStale = false;
        m_drawnRephrase = m_vm->rephrase();
        m_drawnPartialVariants = -1;
        replaceContent(m_rephrasePage, rephraseTab());
    }
    // The tab out of view is drawn a moment later: building its widgets takes longer than drawing
    // the answer in view, which must not wait for them. A switch to it draws it at once.
    if (m_correctionStale || m_rephraseStale)
        m_staleTabTimer.start();
}

void SuggestionView::replaceContent(QWidget* page, QWidget* content) {
    while (QLayoutItem* item = page->layout()->takeAt(0)) {
        if (QWidget* old = item->widget()) {
            // Keep the keyboard on the panel rather than let Qt hand it to the next button.
            if (old->isAncestorOf(QApplication::focusWidget()))
                window()->setFocus(Qt::OtherFocusReason);
            old->hide();
            // A button of the old content may be the one whose click brought us here.
            old->deleteLater();
        }
        delete item;
    }
    page->layout()->addWidget(content);
    // Drawn now, not at the next turn of the event loop (a layout shows new children only then).
    if (page->isVisible())
        content->show();
    page->layout()->activate();
}

void SuggestionView::showProgress() {
    if (!m_vm)
        return;
    // Only the text changes while it is written: the block stays, and so does the reader's selection.
    if (m_vm->correction().isLoading() && !m_vm->partialCorrection().isEmpty()) {
        if (m_partialText)
            m_partialText->setPlain(m_vm->partialCorrection());
        else
            replaceContent(m_correctionPage, correctionTab());
    }
    if (!m_vm->rephrase().isLoading())
        return;
    // Cards are added as their variants come; the ones on screen stay as they are.
    if (m_partialList)
        drawPartialVariants();
    else if (m_vm->partialVariants().size() != m_drawnPartialVariants)
        replaceContent(m_rephrasePage, rephraseTab());
}

void SuggestionView::drawPartialVariants() {
    const QList<RephraseVariant>& variants = m_vm->partialVariants();
    auto* column = static_cast<QVBoxLayout*>(m_partialList->layout());
    // The list holds the cards drawn, then the spinner.
    for (qsizetype i = 0; i < std::min(variants.size(), m_drawnPartialVariants); ++i) {
        if (auto* card = qobject_cast<VariantCard*>(column->itemAt(int(i))->widget());
            card && card->variant() != variants[i])
            card->setVariant(variants[i]);
    }
    for (qsizetype i = m_drawnPartialVariants; i < variants.size(); ++i) {
        QWidget* card = variantCard(variants[i]);
        column->insertWidget(int(i), card);
        if (m_partialList->isVisible())
            card->show();
    }
    m_drawnPartialVariants = std::max(m_drawnPartialVariants, variants.size());
}

// The rounded box that holds the correction's text, finished or still being written.
RoundedBox* SuggestionView::correctionBox(TextBlock** text) {
    auto* box = new RoundedBox(10, Style::withAlpha(Style::textBackground(*this), 0.55),
                               Style::withAlpha(Style::primary(*this), 0.07));
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(0, 0, 0, 0);
    *text = new TextBlock(TextBlock::Sizing::scroll, 13, 3, 12);
    (*text)->setObjectName(QStringLiteral("correctionText"));
    (*text)->setStyleSheet((*text)->styleSheet() + Style::thinScrollBarStyle(*this, 6));
    (*text)->setAccessibleName(m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Correction")));
    boxLayout->addWidget(*text);
    return box;
}

QWidget* SuggestionView::partialCorrectionView() {
    QWidget* view = nullptr;
    auto* column = namedColumn(view, QStringLiteral("partialCorrectionView"), QMargins(12, 12, 12, 12), 12);
    TextBlock* text = nullptr;
    RoundedBox* box = correctionBox(&text);
    text->setPlain(m_vm->partialCorrection());
    column->addWidget(box, 1);
    // The changes are marked, and the text offered, once the whole answer is in.
    column->addWidget(new Spinner(32, Brand::teal()), 0, Qt::AlignHCenter);
    if (m_vm->replacesWhenReady())
        column->addWidget(secondaryLabel(replacingWhenReady(), Style::font(13), *this), 0, Qt::AlignHCenter);
    m_partialText = text;
    return view;
}

QWidget* SuggestionView::correctionTab() {
    const SuggestionViewModel::CorrectionLoad& load = m_vm->correction();
    if (load.isLoading() && !m_vm->partialCorrection().isEmpty())
        return partialCorrectionView();
    if (load.isLoading())
        return loadingView(m_vm->replacesWhenReady() ? replacingWhenReady() : polishing());
    if (load.isFailed())
        return errorView(load.message());
    // A correction that lists no change but differs is shown as what it is: a change.
    const CorrectionResult& result = *load.result();
    if (AnswerGuard::isUnchanged(m_vm->sentText(), result.corrected))
        return successState();
    return correctionView(result);
}

QWidget* SuggestionView::correctionView(const CorrectionResult& result) {
    QWidget* view = nullptr;
    auto* column = namedColumn(view, QStringLiteral("correctionView"), QMargins{}, 0);

    TextBlock* text = nullptr;
    RoundedBox* box = correctionBox(&text);
    text->setRuns(DiffHighlighter::attributed(m_vm->sentText(), result.corrected));
    auto* boxMargin = new QVBoxLayout;
    boxMargin->setContentsMargins(12, 12, 12, 0);
    boxMargin->addWidget(box);
    column->addLayout(boxMargin, 1);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(8);
    // Far longer than the text: no Return default, and a word on why.
    const bool farLonger = AnswerGuard::isFarLonger(m_vm->sentText(), result.corrected);
    auto* count = secondaryLabel(farLonger                  ? AnswerGuard::farLongerNote(m_loc)
                                 : result.changes.isEmpty() ? QString()
                                                            : m_loc.changesCount(result.changes.size()),
                                 Style::caption(), *this);
    count->setObjectName(QStringLiteral("changesCount"));
    count->setWordWrap(farLonger);
    row->addWidget(count, 1);
    row->addStretch(1);

    auto* copy = new QPushButton(m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Copy")));
    copy->setObjectName(QStringLiteral("copyButton"));
    Style::makeBordered(*copy);
    const QString corrected = result.corrected;
    connect(copy, &QPushButton::clicked, this, [this, corrected] {
        // The panel stays open and the field is left alone.
        m_clipboard.write({ClipboardItem{{ClipboardType::plainText, corrected.toUtf8()}}});
    });
    row->addWidget(copy);

    auto* replace = new QPushButton(m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Replace")));
    replace->setObjectName(QStringLiteral("replaceButton"));
    Style::makeProminent(*replace, palette().color(QPalette::Highlight), Style::font(13, QFont::Medium));
    connect(replace, &QPushButton::clicked, this, [this, corrected] {
        if (m_vm)
            m_vm->replace(corrected);
    });
    row->addWidget(replace);
    m_defaultButton = farLonger ? nullptr : replace;
    column->addLayout(row);
    return view;
}

QWidget* SuggestionView::rephraseTab() {
    m_actionSlots.clear();
    m_partialList = nullptr;
    const SuggestionViewModel::RephraseLoad& load = m_vm->rephrase();
    if (load.isLoading()) {
        m_drawnPartialVariants = m_vm->partialVariants().size();
        if (m_drawnPartialVariants > 0)
            return variantList(m_vm->partialVariants(), true);
        return loadingView(crafting());
    }
    if (load.isFailed())
        return errorView(load.message());
    return variantList(load.result()->variants, false);
}

QWidget* SuggestionView::variantList(const QList<RephraseVariant>& variants, bool more) {
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("variants"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Its bar shows only when the cards do not fit: thin, in the panel's look, clear of the rounded corner.
    scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }") +
                          Style::thinScrollBarStyle(*this, kCornerClearance));
    auto* list = new QWidget;
    auto* column = new QVBoxLayout(list);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);
    for (const RephraseVariant& variant : variants)
        column->addWidget(variantCard(variant));
    // More are being written.
    if (more) {
        column->addWidget(new Spinner(32, Brand::teal()), 0, Qt::AlignHCenter);
        m_partialList = list;
    }
    m_actionSlots.clear();
    if (!more && !m_vm->actions().isEmpty())
        list->setStyleSheet(ActionCard::buttonStyle());
    for (qsizetype i = 0; !more && i < m_vm->actions().size(); ++i) {
        auto* slot = new QWidget;
        auto* slotLayout = new QVBoxLayout(slot);
        slotLayout->setContentsMargins(0, 0, 0, 0);
        slotLayout->addWidget(actionCard(i));
        column->addWidget(slot);
        m_actionSlots.append(slot);
    }
    column->addStretch(1);
    scroll->setWidget(list);
    // After setWidget, which turns the list's fill on: the tab's material shows through.
    list->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    return scroll;
}

QWidget* SuggestionView::variantCard(const RephraseVariant& variant) {
    auto* card = new VariantCard(variant, m_loc);
    connect(card, &VariantCard::replaceClicked, this, [this](const QString& text) {
        if (m_vm)
            m_vm->replace(text);
    });
    return card;
}

QWidget* SuggestionView::actionCard(qsizetype index) {
    const QPointer<SuggestionView> self(this);
    return new ActionCard(
        m_vm->actions()[index], m_vm->actionResult(index), m_loc,
        [self, index] {
            if (self && self->m_vm)
                self->m_vm->runAction(index);
        },
        [self](const QString& text) {
            if (self && self->m_vm)
                self->m_vm->replace(text);
        });
}

void SuggestionView::showAction(qsizetype index) {
    if (!m_vm || index < 0 || index >= m_actionSlots.size() || !m_actionSlots[index])
        return;
    replaceContent(m_actionSlots[index], actionCard(index));
}

void SuggestionView::triggerDefault() {
    // Return replaces only while the correction is what the user sees; before it is whole, as soon
    // as it is.
    if (!m_vm || m_vm->selectedTab() != 0)
        return;
    if (m_vm->correction().isLoading()) {
        m_vm->replaceWhenReady();
        return;
    }
    if (!m_defaultButton || !m_defaultButton->isVisibleTo(this))
        return;
    m_defaultButton->click();
}

void SuggestionView::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(Style::material(*this));
    p.drawRoundedRect(r, 16, 16);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Style::withAlpha(Style::primary(*this), 0.08), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 15.5, 15.5);
}

}  // namespace quillet
