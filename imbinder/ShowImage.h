// ShowImage: a picture preview control. A drawing surface that fills the control shows the held
// picture scaled to fit, its proportions kept and centred; the host loads a picture by file
// name or assigns one, and hears the surface's mouse events. Sizes and positions are in twips,
// the surface's scale (15 to a pixel).
#pragma once

#include <QFrame>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <string>

#include "PropertyBag.h"
#include "platform/Host.h"

namespace imbinder {

// Where a picture is drawn on a surface, in whole twips.
struct DrawnRect {
    int16_t left = 0;
    int16_t top = 0;
    int16_t width = 0;
    int16_t height = 0;
    bool operator==(const DrawnRect&) const = default;
};

// The fit-and-centre rule: the picture scaled to the whole width or the whole height of the
// surface, whichever keeps it inside, and centred on the other axis. Each size is rounded to
// whole twips (half to even), and each offset is worked out from the rounded size. Sizes are
// in any one unit.
DrawnRect FitAndCentre(float pictureWidth, float pictureHeight, float surfaceWidth,
                       float surfaceHeight);

// A colour as the properties hold it: 0x00BBGGRR, or 0x800000nn for system colour nn, taken
// from the application's palette.
QColor ColourOf(uint32_t colour);

inline constexpr int16_t kBorderNone = 0;
inline constexpr int16_t kBorderSingle = 1;
inline constexpr uint32_t kButtonFace = 0x8000000F;

// The drawing surface: it keeps what was drawn on it until it is cleared, across covering,
// uncovering and repaints, so the control draws only when its picture or size changes.
class PictureSurface : public QFrame {
  public:
    explicit PictureSurface(QWidget* parent);

    int16_t BorderStyle() const { return borderStyle_; }
    // Changes the border line only; what is drawn stays.
    void setBorderStyle(int16_t borderStyle);
    uint32_t BackColor() const { return backColor_; }
    // A new background clears the surface to it.
    void setBackColor(uint32_t backColor);

    void Cls();
    // Draws the whole picture scaled into the rectangle, in twips.
    void PaintPicture(const QImage& picture, const DrawnRect& where);
    // What the surface shows now, border not included.
    const QImage& Drawing() const { return drawing_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // A surface resized while hidden hears of it only when shown; drawing on it must not wait.
    void FitDrawingToSize();

    QImage drawing_;
    int16_t borderStyle_ = kBorderSingle;
    uint32_t backColor_ = kButtonFace;
};

class ShowImage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(short BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(QImage Picture READ Picture WRITE setPicture)
    Q_CLASSINFO("BorderStyle", "Restituisce o imposta lo stile del bordo di un oggetto.")
    Q_CLASSINFO("BackColor",
                "Restituisce o imposta il colore di sfondo utilizzato per la visualizzazione di "
                "testo e grafica in un oggetto.")
    Q_CLASSINFO("Picture",
                "Restituisce o imposta un elemento grafico da visualizzare in un controllo.")
    Q_CLASSINFO("Cls",
                "Cancella le immagini e il testo generati in fase di esecuzione da un form o da "
                "un controllo Image o PictureBox.")
    Q_CLASSINFO("DblClick",
                "Viene generato quando si preme e si rilascia due volte in rapida successione un "
                "pulsante del mouse su un oggetto.")
    Q_CLASSINFO("Click",
                "Viene generato quando si preme e quindi si rilascia un pulsante del mouse su un "
                "oggetto.")
    Q_CLASSINFO("MouseMove", "Viene generato quando si sposta il mouse.")
    Q_CLASSINFO("MouseDown",
                "Viene generato quando si preme il pulsante del mouse mentre lo stato attivo si "
                "trova su un oggetto.")

  public:
    explicit ShowImage(QWidget* parent = nullptr);

    PictureSurface* immagine;  // the drawing surface, always the whole control
    QImage temp;               // the held picture at its natural size; null when none

    // Loads the picture file (Windows-form path) with the platform's picture loader, upright
    // as its orientation tag says, makes it the held picture and redraws. On failure the held
    // picture stays and the result says why.
    platform::Outcome loadimg(const std::string& nome);
    // Redraws the surface from the held picture; with none held it leaves the surface as is.
    void showImageInfo();
    // Clears the surface to the background colour; the held picture stays.
    void Cls();

    int16_t BorderStyle() const;
    void setBorderStyle(int16_t New_BorderStyle);  // does not redraw
    uint32_t BackColor() const;
    void setBackColor(uint32_t New_BackColor);
    QImage Picture() const;
    // A null image empties the control.
    void setPicture(const QImage& New_Picture);

    // Picture to the holder, then BorderStyle and BackColor to the surface, each its default
    // when the bag does not hold it.
    void ReadProperties(const PropertyBag& bag);
    // Picture, BorderStyle and BackColor, each left out when it is its default.
    void WriteProperties(PropertyBag& bag) const;

  signals:
    void DblClick();
    void Click();
    // Button: 1 left, 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl, 4 Alt; X and Y in twips.
    void MouseMove(short Button, short Shift, float X, float Y);
    void MouseDown(short Button, short Shift, float X, float Y);
    // A property the host saves has changed (its name).
    void PropertyChanged(const QString& name);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool clickPending_ = false;  // a press on the surface whose release is a Click
};

}  // namespace imbinder
