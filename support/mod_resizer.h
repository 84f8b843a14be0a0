#pragma once

#include <QRectF>
#include <Qt>

class QWidget;

// What a window offers the resizer: its nine sizing handles and its controls' geometry in its own
// scale units (twips).
class ResizerSurface {
public:
    virtual ~ResizerSurface() = default;
    virtual QWidget* handle(int index) const = 0; // 0 to 8; nullptr when the window lacks it
    virtual QRectF unitGeometry(const QWidget* control) const = 0;
    // False when the window refuses the geometry (a negative size); the control is then unchanged.
    virtual bool setUnitGeometry(QWidget* control, const QRectF& geometry) = 0;
};

// Nine handles framing one control of a window, as a form designer frames a selected object:
// corners and edge midpoints resize it, the centre handle moves it.
class mod_resizer {
public:
    static constexpr int kHandles = 9;

    void HideHandles(ResizerSurface& window);
    void ShowHandles(QWidget* control, ResizerSurface& window);
    // Called on every button press on a handle, with the pointer position inside the handle.
    void GrabHandle(double x, double y);
    // One drag step: a mouse move over handle `index` with the pointer position inside it.
    void DragHandle(int index, Qt::MouseButtons button, Qt::KeyboardModifiers shift, double x, double y,
                    ResizerSurface& window);

    // The control that the handles frame and a drag changes; the window sets it.
    QWidget* SizedControl = nullptr;

private:
    double GrabX = 0;
    double GrabY = 0;
    double LastX = 0;
    double LastY = 0;
};
