#pragma once

#include <QProgressBar>

namespace tolvane::app {

// A progress bar with a whole-number range and a fractional value, as the job drives it.
// Values outside the range are held at its ends.
class ProgressBarControl : public QProgressBar {
  public:
    explicit ProgressBarControl(QWidget* parent);

    int Min() const noexcept { return min_; }
    int Max() const noexcept { return max_; }
    float Value() const noexcept { return value_; }

    void SetRange(int minimum, int maximum);
    void SetValue(float value);

  private:
    // The inner bar's fixed scale, fine enough for fractional values of any range.
    static constexpr int kSteps = 10000;

    void refresh();

    int min_ = 0;
    int max_ = 100;
    float value_ = 0;
};

}  // namespace tolvane::app
