#pragma once

#include <QObject>
#include <QRectF>
#include <QString>
#include <array>

namespace printing {

// The page layout of the service form: 18 field boxes and the barcode box in twips with the texts
// they were last given, the layout window's geometry, the headings switch and the field selection.
// Every change is announced, so that the page is drawn again.
class PrintLayout : public QObject {
    Q_OBJECT

public:
    static constexpr int kBoxes = 19;
    // The boxes the layout file and the stored selection hold, as they always have.
    static constexpr int kFieldBoxes = 18;
    // The record code as a barcode: the last box and the last selection item, kept apart.
    static constexpr int kBarcodeBox = 18;
    // No page the form is printed on is larger than A3 (420 mm): a box further than that either
    // way of the page's corner can never be printed.
    static constexpr double kPageReach = 23811;
    // An X display is at most 32767 pixels across, 15 twips each at the usual 96 dots per inch.
    static constexpr double kScreenReach = 32767.0 * 15;

    struct Box {
        QString field;  // caption of its selection item
        QRectF twips;   // Left, Top, Width, Height
        QString text;   // what the box shows
        bool multiLine; // wrapped to its width when printed
    };

    explicit PrintLayout(QObject* parent = nullptr);

    // Box index of selection item k; they differ only for Kayıt No (item 2, box 17) and the field
    // boxes between.
    static int boxOfItem(int item);
    static int itemOfBox(int box);

    static bool boxInReach(double left, double top);
    // A window geometry with a size and within the reach of a screen.
    static bool windowInReach(const QRectF& twips);

    const Box& box(int index) const { return boxes_[index]; }
    // Positions and sizes are kept within kPageReach.
    void moveBox(int index, double left, double top);
    void setBoxGeometry(int index, const QRectF& twips);
    // Every box back at its design place and size, the window's geometry forgotten.
    void reset();
    void setBoxText(int index, const QString& text);

    // The layout window's outer geometry on the screen, in twips; empty until one is stored.
    QRectF window() const { return window_; }
    // A geometry out of reach is not kept.
    void setWindow(const QRectF& twips);

    bool headings() const { return headings_; }
    void setHeadings(bool on);

    // Selected items in menu order.
    const std::array<bool, kBoxes>& selection() const { return selection_; }
    bool boxSelected(int box) const { return selection_[itemOfBox(box)]; }
    void setSelection(const std::array<bool, kBoxes>& items);

signals:
    void changed();

private:
    std::array<Box, kBoxes> boxes_;
    QRectF window_;
    bool headings_ = false;
    std::array<bool, kBoxes> selection_{};
};

} // namespace printing
