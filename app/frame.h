// A captioned frame drawn with an etched line, the caption breaking it at
// the top left.
#pragma once

#include <QString>
#include <QWidget>

namespace tegmora::app {

class Frame : public QWidget {
    Q_OBJECT
public:
    Frame(const QString& caption, QWidget* parent);

    const QString& caption() const { return caption_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};

}  // namespace tegmora::app
