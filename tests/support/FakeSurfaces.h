// The windows the coordinator drives, as doubles that keep what they were told to show: no display
// needed.
#pragma once

#include "core/AppCoordinator.h"
#include "core/SuggestionViewModel.h"
#include "core/Surfaces.h"

namespace quillet::test {

struct FakeFieldIcon final : FieldIcon {
    void show(const Rect& nearFieldFrame, const std::optional<Rect>&, const QList<ScreenInfo>&) override {
        frame = Rect(nearFieldFrame.x() + nearFieldFrame.width() - 24, nearFieldFrame.y(), 24, 24);
    }
    void hide() override { frame.reset(); }
    bool isVisible() const override { return frame.has_value(); }
    IconState state() const override { return look; }
    void setState(IconState state) override { look = state; }
    std::optional<Rect> iconFrame() const override { return frame; }
    quint64 lastClickTime() const override { return 0; }

    std::optional<Rect> frame;
    IconState look = IconState::ready;
};

struct FakeToast final : Toast {
    void show(const std::optional<Rect>&, std::function<void()> undoAction, const QString& message) override {
        text = message;
        undo = std::move(undoAction);
        shown = true;
    }
    void showMessage(const QString& message, const std::optional<Rect>&) override {
        text = message;
        undo = nullptr;
        shown = true;
    }
    /// Presses Undo, which then leaves with the toast.
    void pressUndo() {
        auto action = std::exchange(undo, nullptr);
        shown = false;
        action();
    }

    bool shown = false;
    QString text;
    std::function<void()> undo;
};

struct FakeSuggestionPanel final : SuggestionPanel {
    explicit FakeSuggestionPanel(std::shared_ptr<SuggestionViewModel> model) : model(std::move(model)) {}
    void show(const Rect& near) override { anchor = near; }
    void hide() override { anchor.reset(); }
    void hold() override { held = true; }
    const std::shared_ptr<SuggestionViewModel>& viewModel() const override { return model; }

    std::shared_ptr<SuggestionViewModel> model;
    std::optional<Rect> anchor;
    bool held = false;
};

struct FakeSuggestionPanels final : SuggestionPanels {
    Owned open(std::shared_ptr<SuggestionViewModel> viewModel) override {
        spare = aheadShown = false;
        return Owned(new FakeSuggestionPanel(std::move(viewModel)));
    }
    void prepareSpare() override { spare = true; }
    bool hasSpare() const override { return spare; }
    bool showSpareAhead(const Rect&) override { return aheadShown = spare; }
    void hideSpare() override { aheadShown = false; }

    bool spare = false;
    /// The panel built ahead is on screen, before its request has been checked.
    bool aheadShown = false;
};

/// The doubles together, in the shape of the widgets the program builds.
struct FakeWindows {
    explicit FakeWindows(const CoordinatorServices&) {}
    CoordinatorSurfaces surfaces() { return CoordinatorSurfaces{overlay, toast, panels}; }

    FakeFieldIcon overlay;
    FakeToast toast;
    FakeSuggestionPanels panels;
};

}  // namespace quillet::test
