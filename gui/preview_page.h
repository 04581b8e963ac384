// The Preview/Chapters page: its controls sit left of and below the picture box, and the page
// paints the current frame's bitmap into the box that the encode aspect ratio chooses.
#pragma once

#include <QWidget>

#include "settings/core.h"

namespace qv::gui {

// The box and drawn size for an aspect ratio (1..4) on a page of the given client size. On the
// design's page size (618 x 296) the box and the drawn size are the design's; on a larger page
// the box scales with the page and the picture grows with it, keeping its shape and centred in
// the box (so a resized window shows a larger preview instead of a small one in a corner).
struct PreviewGeometry {
    int left, top, right, bottom;       // clip box, scaled to the page
    int draw_left, draw_top;            // where the picture goes
    int draw_width, draw_height;        // the design's drawn size, scaled with the page
};
PreviewGeometry preview_geometry(int aspect_ratio, int client_width, int client_height);

class PreviewPage : public QWidget {
    Q_OBJECT
public:
    PreviewPage(Core& core, QWidget* parent = nullptr);
    // draw_preview: repaint the picture from the frame store's bitmap.
    void draw_preview();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Core& core_;
};

}  // namespace qv::gui
