#include "app/qt/ProgressBarControl.h"

#include <algorithm>
#include <cmath>

namespace tolvane::app {

ProgressBarControl::ProgressBarControl(QWidget* parent) : QProgressBar(parent) {
    QProgressBar::setRange(0, kSteps);
    setTextVisible(false);
    refresh();
}

void ProgressBarControl::SetRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    value_ = std::clamp(value_, static_cast<float>(min_), static_cast<float>(max_));
    refresh();
}

void ProgressBarControl::SetValue(float value) {
    value_ = std::isnan(value)
                 ? static_cast<float>(min_)
                 : std::clamp(value, static_cast<float>(min_), static_cast<float>(max_));
    refresh();
}

void ProgressBarControl::refresh() {
    const double span = static_cast<double>(max_) - min_;
    const double share = span > 0 ? (static_cast<double>(value_) - min_) / span : 0.0;
    QProgressBar::setValue(static_cast<int>(std::lround(share * kSteps)));
}

}  // namespace tolvane::app
