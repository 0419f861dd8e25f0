#pragma once

#include <QColor>
#include <QWidget>

namespace tolvane::app {

// A filled rectangle with a one-pixel border, drawn behind the other controls.
class FilledRectangle : public QWidget {
  public:
    FilledRectangle(QColor fill, QColor border, QWidget* parent);

    QColor fillColor() const { return fill_; }
    QColor borderColor() const { return border_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor fill_;
    QColor border_;
};

}  // namespace tolvane::app
