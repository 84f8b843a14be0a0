#pragma once

#include "PrintLayout.h"
#include "ServicePage.h"
#include "mod_resizer.h"

#include <QMainWindow>
#include <QPoint>
#include <array>
#include <optional>
#include <utility>

class QAction;
class QMenu;
class QPainter;

namespace printing {

class ServiceFormSource;

// The print layout window: the service form of the record the service window shows, drawn at the
// places of its 18 field boxes. In adjust mode the boxes themselves are shown to be dragged or
// nudged into place; the layout is kept in Satir.dat, headings and selection in the settings.
class Form1 : public QMainWindow, public ResizerSurface {
    Q_OBJECT

public:
    static constexpr int kBoxes = PrintLayout::kBoxes;
    static constexpr int kNudgeTwips = 15;

    Form1(ServiceFormSource& source, QWidget* owner);
    ~Form1() override;

    void Form_Load();
    void DrawServiceForm();

    const PrintLayout& layout() const { return layout_; }
    const ServicePage& page() const { return page_; }
    bool adjusting() const { return adjust_; }
    mod_resizer& resizer() { return resizer_; }

    // The page as it is printed: the drawn form, or the boxes themselves in adjust mode.
    void paintPage(QPainter& painter) const;

    // ResizerSurface: boxes and handles in twips within the window's client area.
    QWidget* handle(int index) const override;
    QRectF unitGeometry(const QWidget* control) const override;
    bool setUnitGeometry(QWidget* control, const QRectF& twips) override;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // construction, load and close (Form1.cpp)
    void buildMenus();
    void buildBoxes();
    void Form_QueryUnload();
    void Form_Unload();
    void Mnu0_Click();
    void Mnu1_Click();
    void PdfKaydet_Click();
    void Baslik_Click();
    void MnSec_Click(int item);
    void printConfirmed();
    void Sifirla_Click();
    QSize designSize() const;
    void placeWindow();
    void applyPlacement();
    QRectF windowTwips() const;
    void syncBoxes();

    // mouse and keys (Form1Input.cpp)
    bool canvasEvent(QEvent* e);
    bool boxEvent(int box, QEvent* e);
    bool handleEvent(int index, QEvent* e);
    void nudge(int box, int key);
    QWidget* viewportOf(int box) const;
    QPointF twipsAt(const QPointF& pixels) const;

    ServiceFormSource& source_;
    PrintLayout layout_;
    ServicePage page_;
    mod_resizer resizer_;
    bool adjust_ = false;
    bool unloaded_ = false;
    QRectF placedWindow_; // the stored geometry the window was placed from, if it was placed there
    QRect placedOuter_;   // where it was placed, frame included
    QSize placedFrame_;   // the frame known when it was placed
    QRect placedClient_;  // the window within that frame

    QWidget* canvas_ = nullptr;
    std::array<QWidget*, kBoxes> FatText{};
    std::array<QWidget*, mod_resizer::kHandles> handles_{};
    std::array<QRectF, mod_resizer::kHandles> handleTwips_{};

    QMenu* MnDosya = nullptr;
    std::array<QAction*, 2> Mnu{};
    QAction* PdfKaydet = nullptr;
    QAction* Sifirla = nullptr;
    QAction* Baslik = nullptr;
    QMenu* MnSecim = nullptr;
    std::array<QAction*, kBoxes> MnSec{};
    QAction* MnExit = nullptr;
    QMenu* PopMenu = nullptr;
    std::array<QAction*, 4> Fatpop{};
    QAction* FatpopPdf = nullptr;
    QAction* FatpopSifirla = nullptr;

    std::optional<std::pair<int, quint64>> lastRelease_; // key and time of the last key let go
    int draggedBox_ = -1;
    QPoint dragStart_;
    QPointF dragOrigin_;
    bool movingWindow_ = false;
    QPoint windowStart_;
};

} // namespace printing
