#pragma once
// The Qt side of the dialog layer, for the backend's own files, its tests and the snapshot tool: the
// window and controls of a Dialog, the template fonts, message boxes and the file dialog as Qt objects.
#include "ui/Canvas.h"
#include "ui/Dialog.h"
#include "ui/DialogUnits.h"
#include "ui/OpenFile.h"

#include <QFont>
#include <QIcon>
#include <QRect>

#include <functional>
#include <memory>
#include <string>

class QDialog;
class QFileDialog;
class QLabel;
class QMessageBox;
class QPainter;
class QWidget;

namespace vornalix::ui {

// The window of dialog and its control id (the first with that id; nullptr when the template has none).
QDialog& Window(const Dialog& dialog);
QWidget* Item(const Dialog& dialog, int id);
template <class T> T* ItemAs(const Dialog& dialog, int id) {
    return qobject_cast<T*>(Item(dialog, id));
}
// The base units the dialog's template font gives.
BaseUnits Units(const Dialog& dialog);

// The font a template names at its point size (96 pixels per inch); faces that Linux does not
// have are mapped to metric-compatible ones.
QFont TemplateFont(const std::string& face, int points);
BaseUnits DialogBaseUnits(const QFont& font);
QRect ToQRect(const Rect& rect);

// A page's font: Qt sizes fonts by whole pixels of em, so the font comes with the scale that makes its
// cell (ascent + descent) exactly the wanted cell height in pixels.
struct ScaledFont {
    QFont font;
    double scale;
};
ScaledFont RealiseFont(const FontSpec& wanted);

// Places window (about to be shown) with its frame's top-left corner at where(frame size). The window system
// frames a window some time after it is shown, and may place it by rules of its own: for a short while after
// showing, each move or resize puts the frame back there.
void PlaceFrameWhenShown(QWidget& window, std::function<Point(Size)> where);

// A canvas that paints with painter on a client area of the given size.
std::unique_ptr<Canvas> PainterCanvas(QPainter& painter, QSize client);

// Shrinks a static's font until its wrapped text fits the control.
void FitLabelText(QLabel& label);

// The box ShowMessageBox shows, over page when given. A Yes/No box has no close box and ignores Escape.
std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& text, unsigned type, QWidget* page = nullptr);
// Maps a QMessageBox button to common::IDOK, common::IDCANCEL, common::IDRETRY, common::IDYES or common::IDNO.
int MessageBoxResult(int standardButton);

// The dialog OpenFile runs, worded in the UI language.
std::unique_ptr<QFileDialog> BuildOpenFileDialog(QWidget* parent, const OpenFileRequest& request);

// The application icon, drawn at start-up.
QIcon AppIcon();

} // namespace vornalix::ui
