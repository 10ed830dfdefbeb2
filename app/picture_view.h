// A picture view: the image is the model, the widget shows a pixmap derived
// from it inside a sunken two-pixel border.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>

namespace tegmora::app {

class PictureView : public QWidget {
    Q_OBJECT
public:
    enum class Sizing { Fixed, ToImage };
    static constexpr int kBorder = 2;

    explicit PictureView(Sizing sizing, QWidget* parent = nullptr);

    const QImage& image() const { return image_; }

    // Every change of the image goes through here: `edit` changes the image
    // in place or replaces it, then the view shows the result. A view sized
    // to its image takes the image's size plus its border. When `edit`
    // throws, the view shows what it showed before.
    void change(const std::function<void(QImage&)>& edit);
    void setImage(const QImage& image);

    // Shows the first `columns` columns of the image as they are now, at
    // once, for an edit that shows its progress.
    void showColumns(int columns);

signals:
    // After every change of the image.
    void changed();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Sizing sizing_;
    QImage image_;
    QPixmap pixmap_;
};

}  // namespace tegmora::app
