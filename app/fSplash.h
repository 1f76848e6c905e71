// The start-up window: the station's picture with a progress bar, shown by
// the data module while it starts and while the plan loads.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

namespace doravo {

class TfmSplash : public QWidget {
public:
    static constexpr int ClientWidth = 293;
    static constexpr int ClientHeight = 223;
    static constexpr int PictureWidth = 291;
    static constexpr int PictureHeight = 221;
    // The bar's outline, right and bottom exclusive; it grows from the left.
    static constexpr QRect ProgressRect {QPoint(40, 170), QPoint(PictureWidth - 40 - 1, 177 - 1)};

    explicit TfmSplash(QWidget* parent = nullptr);

    // Shows the window centred on the desktop and paints it before returning,
    // so it appears while the caller keeps the event loop busy.
    void ShowNow();

    int Progress() const { return progress_; }
    // Clamps to 0…100 and repaints at once when shown.
    void SetProgress(int value);

    const QImage& imgSplash() const { return imgSplash_; }
    void SetPicture(const QImage& picture);

    // The window's content as painted.
    QImage Render() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage imgSplash_;
    int progress_ = 0;
};

} // namespace doravo
