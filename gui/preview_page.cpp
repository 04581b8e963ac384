#include "gui/preview_page.h"

#include <QImage>
#include <QPainter>
#include <cstring>

namespace qv::gui {

namespace {
constexpr int DESIGN_WIDTH = 618;
constexpr int DESIGN_HEIGHT = 296;
struct Box {
    int left, top, right, bottom, width, height;
};
constexpr Box BOXES[4] = {
    {265, 20, 505, 260, 240, 240},
    {225, 20, 545, 260, 320, 240},
    {172, 20, 598, 260, 426, 240},
    {168, 40, 602, 240, 434, 200},
};

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
}  // namespace

PreviewGeometry preview_geometry(int aspect_ratio, int client_width, int client_height) {
    if (aspect_ratio < 1 || aspect_ratio > 4) aspect_ratio = 3;
    const Box& b = BOXES[aspect_ratio - 1];
    float sx = static_cast<float>(client_width) / DESIGN_WIDTH;
    float sy = static_cast<float>(client_height) / DESIGN_HEIGHT;
    return {static_cast<int>(b.left * sx), static_cast<int>(b.top * sy),
            static_cast<int>(b.right * sx), static_cast<int>(b.bottom * sy), b.width, b.height};
}

PreviewPage::PreviewPage(Core& core, QWidget* parent) : QWidget(parent), core_(core) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PreviewPage::draw_preview() { update(); }

void PreviewPage::paintEvent(QPaintEvent*) {
    if (!core_.settings.input_opened) return;
    const uint8_t* bmp = core_.frames->bitmap;
    if (bmp[0] != 'B' || bmp[1] != 'M') return;
    int width = static_cast<int>(le32(bmp + 18));
    int height = static_cast<int>(le32(bmp + 22));
    if (width <= 0 || height <= 0 || width > MAX_FRAME_WIDTH || height > MAX_FRAME_HEIGHT) return;

    // Rows are packed (3 x width bytes) and stored bottom-up; QImage takes the stride as it is,
    // so widths that are not a multiple of 4 display without shear.
    QImage image(bmp + 54, width, height, 3 * width, QImage::Format_BGR888);
    image = image.mirrored(false, true);

    PreviewGeometry g = preview_geometry(static_cast<int>(core_.settings.aspect_ratio), this->width(),
                                         this->height());
    QPainter painter(this);
    painter.setClipRect(QRect(QPoint(g.left, g.top), QPoint(g.right - 1, g.bottom - 1)));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRect(g.left, g.top, g.draw_width, g.draw_height), image);
}

}  // namespace qv::gui
