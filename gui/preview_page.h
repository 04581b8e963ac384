// The Preview/Chapters page: its controls sit left of and below the picture box, and the page
// paints the current frame's bitmap into the box that the encode aspect ratio chooses.
#pragma once

#include <QWidget>

#include "settings/core.h"

namespace qv::gui {

// The box and drawn size for an aspect ratio (1..4) on a page of the given client size.
struct PreviewGeometry {
    int left, top, right, bottom;  // clip box, scaled to the page
    int draw_width, draw_height;   // not scaled
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
