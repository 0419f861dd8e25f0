#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <filesystem>

#include "app/frmStep1.h"

namespace tolvane::app {

// The window from Qt widgets: each control of the layout table as a widget, each button's
// click forwarded to the behaviour, which it carries out. The behaviour comes first, so the
// widgets that show its grid go before the grid does.
class QtWindow : public frmStep1, public QWidget {
  public:
    QtWindow(Ui& ui, ViewSettingsStore& viewSettings, std::filesystem::path helpManual = {},
             QWidget* parent = nullptr);

    // The widget of a control; nullptr when it is not of type W.
    template <class W = QWidget>
    W* control(Control which) const {
        return dynamic_cast<W*>(widgets_[which]);
    }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void Form_Initialize();
    void buildControls();
    QWidget* create(Control which, QWidget* parent);
    void chainTabOrder();

    void showCaption(Control which, const std::string& caption) override;
    void enableControl(Control which, bool enabled) override;
    void showProgress(float percent) override;
    void endEventLoop() override;

    std::array<QWidget*, kControlCount> widgets_{};
    QTimer stopWatch_;
    bool placed_ = false;
};

}  // namespace tolvane::app
