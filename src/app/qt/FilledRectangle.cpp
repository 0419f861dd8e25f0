#include "app/qt/FilledRectangle.h"

#include <QPainter>

namespace tolvane::app {

FilledRectangle::FilledRectangle(QColor fill, QColor border, QWidget* parent)
    : QWidget(parent), fill_(fill), border_(border) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void FilledRectangle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fill_);
    painter.setPen(border_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tolvane::app
