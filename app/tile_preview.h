// A large second window showing one image tiled 3 x 3 at the largest whole
// zoom that fits, without smoothing, so that the seams between tiles show as
// they will on a roof.
#pragma once

#include <QImage>
#include <QWidget>

namespace tegmora::app {

class TilePreview : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTiles = 3;

    explicit TilePreview(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    // The zoom the tiles are shown at in the window's present size, at
    // least 1.
    int zoom() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

}  // namespace tegmora::app
