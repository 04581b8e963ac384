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
    PreviewGeometry g{};
    g.left = static_cast<int>(b.left * sx);
    g.top = static_cast<int>(b.top * sy);
    g.right = static_cast<int>(b.right * sx);
    g.bottom = static_cast<int>(b.bottom * sy);
    float scale = sx < sy ? sx : sy;
    if (scale < 1.0f) scale = 1.0f;  // never smaller than the design's picture
    g.draw_width = static_cast<int>(b.width * scale);
    g.draw_height = static_cast<int>(b.height * scale);
    g.draw_left = g.left + ((g.right - g.left) - g.draw_width) / 2;
    g.draw_top = g.top + ((g.bottom - g.top) - g.draw_height) / 2;
    if (g.draw_left < g.left) g.draw_left = g.left;
    if (g.draw_top < g.top) g.draw_top = g.top;
    return g;
}

PreviewPage::PreviewPage(Core& core, QWidget* parent) : QWidget(parent), core_(core) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PreviewPage::draw_preview() { update(); }

void PreviewPage::paintEvent(QPaintEvent*) {
    if (!core_.settings.input_opened) return;
    std::lock_guard<std::mutex> lock(core_.frames->bitmap_mutex);
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
    painter.drawImage(QRect(g.draw_left, g.draw_top, g.draw_width, g.draw_height), image);
}

}  // namespace qv::gui
