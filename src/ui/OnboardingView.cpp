// The first-run setup: the accessibility switch, the API key and a sample text to try, in three steps.
#include "ui/OnboardingView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadialGradient>
#include <QStackedWidget>
#include <QSvgRenderer>
#include <QVBoxLayout>

#include "core/KeyRequirement.h"
#include "core/L10n.h"
#include "core/SettingsStore.h"
#include "platform/Accessibility.h"
#include "ui/Brand.h"
#include "ui/SecretField.h"
#include "ui/Style.h"
#include "ui/SurfaceWidgets.h"

namespace quillet {

using Style::Symbol;

// Three dots under the steps; the current one in teal.
class OnboardingStepDots final : public QWidget {
public:
    explicit OnboardingStepDots(QWidget* parent) : QWidget(parent) { setFixedSize(3 * 7 + 2 * 6, 7); }
    void setCurrent(int step) {
        m_current = step;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i) {
            p.setBrush(i == m_current ? Brand::teal() : Style::withAlpha(Style::secondary(*this), 0.3));
            p.drawEllipse(QRectF(i * 13, 0, 7, 7));
        }
    }

private:
    int m_current = 0;
};

namespace {

// The deep-to-teal band at the top.
class HeaderBand final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient g(rect().topLeft(), rect().bottomRight());
        g.setColorAt(0, Brand::deep());
        g.setColorAt(1, Brand::teal());
        p.fillRect(rect(), g);
    }
};

// The bar under the steps, set off from the window like a toolbar.
class FooterBar final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QColor window = palette().color(QPalette::Window);
        p.fillRect(rect(), window.lightnessF() < 0.5 ? window.lighter(118) : window.darker(104));
        p.fillRect(QRect(0, 0, width(), 1), Style::withAlpha(palette().color(QPalette::WindowText), 0.12));
    }
};

QLabel* headingLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFont(Style::font(13, QFont::Bold));
    return label;
}

QWidget* heading(Symbol symbol, QLabel* label, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(7);
    auto* icon = new SymbolLabel(symbol, 16, row);
    icon->setSymbol(symbol, Brand::teal());
    h->addWidget(icon);
    h->addWidget(label);
    h->addStretch(1);
    return row;
}

QLabel* bodyLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setFont(Style::font(12.5));
    return label;
}

void setTextColor(QLabel* label, const QColor& color) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

QWidget* stepPage(QWidget* parent, QVBoxLayout** layout) {
    auto* page = new QWidget(parent);
    *layout = new QVBoxLayout(page);
    (*layout)->setContentsMargins(0, 0, 0, 0);
    (*layout)->setSpacing(12);
    return page;
}

}  // namespace

QString OnboardingView::sampleText() {
    return L10n::current().text(
        QT_TRANSLATE_NOOP("Quillet", "This is a sentense with a cuple of mistakes that needs fixing."));
}

OnboardingView::OnboardingView(SettingsStore& store, Accessibility& accessibility, Scheduler& scheduler,
                               KeyValidator validateKey, std::function<void()> onFinished, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_accessibility(accessibility),
      m_scheduler(scheduler),
      m_keyCheck(store, std::move(validateKey)),
      m_onFinished(std::move(onFinished)) {
    setObjectName(QStringLiteral("onboardingView"));
    setFixedSize(width, height);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildPermissionStep());
    m_pages->addWidget(buildKeyStep());
    m_pages->addWidget(buildTestStep());
    auto* band = new QWidget(this);
    auto* bandLayout = new QVBoxLayout(band);
    bandLayout->setContentsMargins(24, 24, 24, 24);
    bandLayout->addWidget(m_pages);
    bandLayout->addStretch(1);
    layout->addWidget(band, 1);
    layout->addWidget(buildFooter());

    m_axTrusted = m_accessibility.accessibilityEnabled();
    QPointer<OnboardingView> self(this);
    m_pollTimer = m_scheduler.every(permissionPollInterval, [self] {
        if (self)
            self->pollPermission();
    });
    m_sampleField->setPlainText(sampleText());
    refresh();
    connect(&m_store, &SettingsStore::changed, this, &OnboardingView::refresh);
    connect(&m_keyCheck, &KeyCheck::statusChanged, this, [this](KeyStatus status) {
        m_keyStatusView->display(status, false);
        updateButtons();
    });
}

OnboardingView::~OnboardingView() {
    stopPolling();
}

void OnboardingView::stopPolling() {
    if (m_pollTimer != 0)
        m_scheduler.cancel(m_pollTimer);
    m_pollTimer = 0;
}

QWidget* OnboardingView::buildHeader() {
    auto* header = new HeaderBand(this);
    auto* v = new QVBoxLayout(header);
    v->setContentsMargins(20, 22, 20, 22);
    v->setSpacing(0);
    if (BrandAssets::emblem()) {
        auto* badge = new EmblemBadge(EmblemBadge::banner(), header);
        badge->setAccessibleName(QStringLiteral("Quillet"));
        v->addWidget(badge, 0, Qt::AlignHCenter);
        v->addSpacing(10 - badge->shadowDepth());
    }
    m_title = new QLabel(header);
    m_title->setObjectName(QStringLiteral("onboardingTitle"));
    m_title->setFont(Style::font(21, QFont::Bold));
    m_tagline = new QLabel(header);
    m_tagline->setFont(Style::font(12.5));
    QPalette pal = m_title->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    m_title->setPalette(pal);
    pal.setColor(QPalette::WindowText, QColor(255, 255, 255, 217));
    m_tagline->setPalette(pal);
    v->addWidget(m_title, 0, Qt::AlignHCenter);
    v->addSpacing(10);
    v->addWidget(m_tagline, 0, Qt::AlignHCenter);
    return header;
}

QWidget* OnboardingView::buildPermissionStep() {
    QVBoxLayout* v = nullptr;
    QWidget* page = stepPage(this, &v);
    m_permissionHeading = headingLabel(page);
    v->addWidget(heading(Symbol::accessibility, m_permissionHeading, page));
    m_permissionText = bodyLabel(page);
    v->addWidget(m_permissionText);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    m_requestButton = new QPushButton(page);
    m_requestButton->setObjectName(QStringLiteral("requestPermissionButton"));
    Style::makeProminent(*m_requestButton, Brand::teal(), Style::windowActionFont());
    connect(m_requestButton, &QPushButton::clicked, this, [this] {
        // The answer comes through the poll, once the switch is really on.
        m_accessibility.enableAccessibility();
    });
    row->addWidget(m_requestButton);
    auto* status = new QHBoxLayout;
    status->setSpacing(5);
    m_permissionSymbol = new SymbolLabel(Symbol::hourglass, 14, page);
    m_permissionStatus = new QLabel(page);
    m_permissionStatus->setObjectName(QStringLiteral("permissionStatus"));
    status->addWidget(m_permissionSymbol);
    status->addWidget(m_permissionStatus);
    row->addLayout(status);
    row->addStretch(1);
    v->addLayout(row);
    v->addStretch(1);
    return page;
}

QWidget* OnboardingView::buildKeyStep() {
    QVBoxLayout* v = nullptr;
    QWidget* page = stepPage(this, &v);
    m_keyHeading = headingLabel(page);
    v->addWidget(heading(Symbol::keyFill, m_keyHeading, page));
    m_keyText = bodyLabel(page);
    v->addWidget(m_keyText);
    m_keyField = new SecretField(page);
    m_keyField->setObjectName(QStringLiteral("apiKeyField"));
    m_keyField->setPlaceholderText(QStringLiteral("sk-…"));
    connect(m_keyField, &QLineEdit::textChanged, this,
            [this] { m_saveButton->setEnabled(!m_keyField->secret().isEmpty()); });
    v->addWidget(m_keyField);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    m_saveButton = new QPushButton(page);
    m_saveButton->setObjectName(QStringLiteral("saveKeyButton"));
    Style::makeProminent(*m_saveButton, Brand::teal(), Style::windowActionFont());
    connect(m_saveButton, &QPushButton::clicked, this, &OnboardingView::saveAndValidate);
    m_keyStatusView = new KeyStatusView(page);
    row->addWidget(m_saveButton);
    row->addWidget(m_keyStatusView, 1);
    v->addLayout(row);
    m_keyNotNeeded = bodyLabel(page);
    m_keyNotNeeded->setObjectName(QStringLiteral("keyNotNeeded"));
    // It names the server's address as the user typed it: never markup.
    m_keyNotNeeded->setTextFormat(Qt::PlainText);
    v->addWidget(m_keyNotNeeded);
    v->addStretch(1);
    return page;
}

QWidget* OnboardingView::buildTestStep() {
    QVBoxLayout* v = nullptr;
    QWidget* page = stepPage(this, &v);
    m_testHeading = headingLabel(page);
    v->addWidget(heading(Symbol::sparkles, m_testHeading, page));
    m_testText = bodyLabel(page);
    // It may name a command to run.
    m_testText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(m_testText);
    // The rounded, teal-edged box around the sample field.
    auto* frame =
        new RoundedBox(10, palette().color(QPalette::Base), Style::withAlpha(Brand::teal(), 0.35), page);
    frame->setFixedHeight(130);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(8, 8, 8, 8);
    m_sampleField = new QPlainTextEdit(frame);
    m_sampleField->setObjectName(QStringLiteral("sampleField"));
    m_sampleField->setFrameShape(QFrame::NoFrame);
    m_sampleField->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sampleField->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The frame draws the background; the field itself stays clear.
    QPalette clear = m_sampleField->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    m_sampleField->setPalette(clear);
    m_sampleField->viewport()->setAutoFillBackground(false);
    m_sampleField->setFont(Style::font(13));
    m_sampleField->setTabChangesFocus(true);
    inner->addWidget(m_sampleField);
    v->addWidget(frame);
    v->addStretch(1);
    return page;
}

QWidget* OnboardingView::buildFooter() {
    auto* footer = new FooterBar(this);
    auto* h = new QHBoxLayout(footer);
    h->setContentsMargins(20, 14, 20, 14);
    m_backButton = new QPushButton(footer);
    m_backButton->setObjectName(QStringLiteral("backButton"));
    connect(m_backButton, &QPushButton::clicked, this, &OnboardingView::goBack);
    m_dots = new OnboardingStepDots(footer);
    m_forwardButton = new QPushButton(footer);
    m_forwardButton->setObjectName(QStringLiteral("forwardButton"));
    Style::makeProminent(*m_forwardButton, Brand::teal(), Style::windowActionFont());
    connect(m_forwardButton, &QPushButton::clicked, this, &OnboardingView::goForward);
    h->addWidget(m_backButton);
    h->addStretch(1);
    h->addWidget(m_dots);
    h->addStretch(1);
    h->addWidget(m_forwardButton);
    return footer;
}

QString OnboardingView::apiKeyInput() const {
    return m_keyField->secret();
}

QString OnboardingView::demoText() const {
    return m_sampleField->toPlainText();
}

void OnboardingView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_sampleField->setPlainText(sampleText());
    if (m_steps.current() == test)
        Q_EMIT sampleFieldShown(m_sampleField);
}

void OnboardingView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Status and body colours are worked out from the palette: a new palette needs them again.
    if (event->type() == QEvent::PaletteChange)
        refresh();
}

void OnboardingView::keyPressEvent(QKeyEvent* event) {
    // Return belongs to the forward button, as a dialog's default button; the sample field keeps its own.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_forwardButton->isEnabled())
            goForward();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingView::pollPermission() {
    const bool trusted = m_accessibility.accessibilityEnabled();
    if (trusted == m_axTrusted)
        return;
    m_axTrusted = trusted;
    refreshPermissionStatus();
    updateButtons();
}

void OnboardingView::showStep() {
    m_pages->setCurrentIndex(m_steps.current());
    refresh();
    if (m_steps.current() == apiKey)
        m_keyField->setFocus();
    if (m_steps.current() == test && isVisible())
        Q_EMIT sampleFieldShown(m_sampleField);
}

bool OnboardingView::canGoForward() {
    return m_steps.canGoForward(m_axTrusted, m_store.hasAPIKey(), keyRequired());
}

bool OnboardingView::keyRequired() const {
    return KeyRequirement::isRequired(m_store.apiBaseURL());
}

void OnboardingView::presentStep(Step step) {
    m_steps.jumpTo(step);
    showStep();
}

void OnboardingView::goForward() {
    switch (m_steps.goForward(m_axTrusted, m_store.hasAPIKey(), keyRequired())) {
        case OnboardingSteps::Forward::refused:
            break;
        case OnboardingSteps::Forward::moved:
            showStep();
            break;
        case OnboardingSteps::Forward::finished:
            if (m_onFinished)
                m_onFinished();
            break;
    }
}

void OnboardingView::goBack() {
    if (m_steps.goBack())
        showStep();
}

void OnboardingView::setDesktopHint(std::function<QStringList(const L10n& l)> hint) {
    m_desktopHint = std::move(hint);
    refresh();
}

void OnboardingView::saveAndValidate() {
    m_keyCheck.start(m_keyField->secret());
}

void OnboardingView::refresh() {
    const L10n l = L10n::current();
    m_title->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Welcome to Quillet")));
    m_tagline->setText(
        l.text(QT_TRANSLATE_NOOP("Quillet", "Your AI writing assistant, everywhere you type")));

    m_permissionHeading->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Accessibility permission")));
    m_permissionText->setText(l.text(QT_TRANSLATE_NOOP(
        "Quillet",
        "Quillet uses the desktop's accessibility interface to see text fields and write the "
        "corrected text back. The app cannot work without it.\n\nSettings → Accessibility → "
        "turn on assistive technologies. Then restart browsers and apps built on Chromium "
        "that were already open.")));
    Style::setButtonText(*m_requestButton, l.text(QT_TRANSLATE_NOOP("Quillet", "Request permission")));
    refreshPermissionStatus();

    m_keyHeading->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "OpenAI API key")));
    m_keyText->setText(
        l.text(QT_TRANSLATE_NOOP("Quillet",
                                 "Quillet sends text straight to the OpenAI API using your own key "
                                 "(BYOK). The key is stored exclusively in the system keyring.")));
    m_keyField->setAccessibleName(m_keyHeading->text());
    Style::setButtonText(*m_saveButton, l.text(QT_TRANSLATE_NOOP("Quillet", "Save & validate")));
    m_keyStatusView->display(m_keyCheck.status(), false);
    // A server of the user's own may run without a key: the step says so and lets them go on.
    m_keyNotNeeded->setText(
        l.text(QT_TRANSLATE_NOOP("Quillet",
                                 "The server you chose (%1) needs no key: continue without "
                                 "one, or save the key it asks for."))
            .arg(m_store.apiBaseURL()));
    m_keyNotNeeded->setVisible(!keyRequired() && !m_store.hasAPIKey());

    m_testHeading->setText(l.text(QT_TRANSLATE_NOOP("Quillet", "Try it now")));
    const QStringList desktopLacks = m_desktopHint ? m_desktopHint(l) : QStringList();
    m_testText->setText(
        !desktopLacks.isEmpty()
            ? desktopLacks.join(QLatin1Char('\n'))
            : l.text(QT_TRANSLATE_NOOP("Quillet",
                                       "Click into the field below — the icon appears in its bottom-right "
                                       "corner. Click it to fix the text.")));
    m_sampleField->setAccessibleName(m_testHeading->text());
    for (QLabel* body : {m_permissionText, m_keyText, m_keyNotNeeded, m_testText})
        setTextColor(body, Style::secondary(*this));

    Style::setButtonText(*m_backButton, l.text(QT_TRANSLATE_NOOP("Quillet", "Back")));
    Style::setButtonText(*m_forwardButton, m_steps.current() == test
                                               ? l.text(QT_TRANSLATE_NOOP("Quillet", "Finish"))
                                               : l.text(QT_TRANSLATE_NOOP("Quillet", "Continue")));
    m_dots->setCurrent(m_steps.current());
    m_dots->setAccessibleName(
        l.text(QT_TRANSLATE_NOOP("Quillet", "Step %1 of 3")).arg(m_steps.current() + 1));
    updateButtons();
}

void OnboardingView::refreshPermissionStatus() {
    const L10n l = L10n::current();
    const QColor color = m_axTrusted ? Style::statusGreen(*this) : Style::statusOrange(*this);
    m_permissionSymbol->setSymbol(m_axTrusted ? Symbol::checkmarkCircleFill : Symbol::hourglass, color);
    m_permissionStatus->setText(m_axTrusted
                                    ? l.text(QT_TRANSLATE_NOOP("Quillet", "Permission granted"))
                                    : l.text(QT_TRANSLATE_NOOP("Quillet", "Waiting for permission…")));
    setTextColor(m_permissionStatus, color);
}

void OnboardingView::updateButtons() {
    m_backButton->setVisible(m_steps.current() != permission);
    m_forwardButton->setEnabled(canGoForward());
    // Unlike the settings window's, this button stays usable while a check runs.
    m_saveButton->setEnabled(!m_keyField->secret().isEmpty());
}

}  // namespace quillet
