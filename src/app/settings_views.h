#pragma once

#include "draw/ink.h"
#include "model/cloth_variant.h"
#include "model/outfit.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QPushButton>
#include <QSlider>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPainter;
class QPainterPath;

// The views of the settings window that paint themselves: the canvas, the
// panels behind the sidebar and the cards, the accent button, the
// segmented control, rows, the cloth previews and swatches. Each is drawn in
// code from one `SettingsTheme`, so light and dark come from the same code.
namespace garbello {

// The colours of the settings window in one appearance. Every text colour
// reaches 4.5:1 against the surfaces it is drawn on.
struct SettingsTheme {
    bool dark = false;
    QColor window;        // the canvas behind everything
    QColor sidebar;       // the sidebar panel
    QColor card;          // cards
    QColor cardBorder;    // the hairline around panels
    QColor text;          // primary text
    QColor secondaryText; // subtitles and notes
    QColor accent;        // primary buttons, the selected sidebar entry
    QColor field;         // text fields, pop-ups and buttons
    QColor fieldBorder;   // their outline
    QColor rowHover;      // a pointed-at row
    QColor track;         // segmented control and slider grooves
    QColor success;       // the "ready" status dot
    QColor attention;     // the "paused" status dot
    QColor disabledText;  // disabled controls (not required to reach 4.5:1)
    QColor badge;         // the active setup step's badge; its numeral, cut out of it,
                          // shows the sidebar and reaches 4.5:1 against it

    static const SettingsTheme& forAppearance(bool dark);
    // The Qt palette that gives the stock controls these colours.
    QPalette palette() const;
};

// WCAG relative luminance of an sRGB colour.
double relativeLuminance(const QColor& color);
// (lighter + 0.05) / (darker + 0.05).
double contrastRatio(const QColor& a, const QColor& b);
// Black on colours whose luminance is above 0.179, white otherwise; an
// invalid colour counts as the system blue.
QColor contrastForeground(const QColor& background);

// The window's type, the renderer's family and fallback.
enum class TextRole { body, small, caption, cardTitle, header, appName, sidebarEntry };
QFont settingsFont(TextRole role);

// The t-shirt symbol ("tshirt.fill") filling `box`.
QPainterPath tshirtPath(const QRectF& box);

// The window's content: a flat background of the theme's window colour.
class SettingsCanvas : public QWidget {
public:
    SettingsCanvas(const SettingsTheme& theme, QWidget* parent = nullptr);
    void setTheme(const SettingsTheme& theme);
    const SettingsTheme& theme() const { return *theme_; }
    // No background at all, for captures that are composed elsewhere.
    bool plain = false;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const SettingsTheme* theme_;
};

// A rounded background: the sidebar, or a card around a group of controls.
class SettingsPanel : public QWidget {
public:
    enum class Kind { sidebar, card };
    SettingsPanel(Kind kind, const SettingsTheme& theme, QWidget* parent);
    Kind kind() const { return kind_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Kind kind_;
    const SettingsTheme& theme_;
};

// The filled accent button of a screen's main action.
class SettingsPrimaryButton : public QPushButton {
public:
    SettingsPrimaryButton(const QString& text, const SettingsTheme& theme, QWidget* parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const SettingsTheme& theme_;
};

// The t-shirt symbol in the theme's accent.
class SymbolView : public QWidget {
public:
    SymbolView(const QColor& color, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_;
};

// The numbered badge of one setup step in the setup sidebar: an outlined
// numeral while ahead, a disc of `tint` with the numeral cut out of it while
// active, a disc with a check cut out once done.
class SetupBadge : public QWidget {
public:
    enum class State { ahead, active, done };
    SetupBadge(int number, State state, const QColor& tint, const SettingsTheme& theme,
               QWidget* parent);
    int number() const { return number_; }
    State state() const { return state_; }
    // The fill of the active disc, chosen on purpose rather than inherited.
    const QColor& tint() const { return tint_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int number_;
    State state_;
    QColor tint_;
    const SettingsTheme& theme_;
};

// A row of mutually exclusive segments; `onSelect` runs when the user picks
// a segment other than the selected one.
class SegmentedControl : public QWidget {
public:
    SegmentedControl(std::vector<QString> segments, int selected, const SettingsTheme& theme,
                     QWidget* parent);
    int selected() const { return selected_; }
    const std::vector<QString>& segments() const { return segments_; }
    // What a click on segment `index` does.
    void select(int index);
    std::function<void(int)> onSelect;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRectF segmentRect(int index) const;

    std::vector<QString> segments_;
    int selected_;
    const SettingsTheme& theme_;
};

// A horizontal slider over a range of real numbers (a thousand steps).
class SettingsSlider : public QSlider {
public:
    SettingsSlider(double minimum, double maximum, double value, QWidget* parent);
    double doubleValue() const;
    void setDoubleValue(double value);

private:
    static constexpr int kSteps = 1000;
    double minimum_;
    double maximum_;
};

// A flat, full-width row with one line of text: a sidebar entry (checkable,
// filled with the accent when checked) or a search result.
class SettingsRowButton : public QAbstractButton {
public:
    enum class Style { sidebar, result };
    SettingsRowButton(const QString& text, Style style, const SettingsTheme& theme,
                      QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    Style style_;
    const SettingsTheme& theme_;
    bool hovered_ = false;
};

// A sample window dressed in cloth, drawn by the cloth renderer: the same
// picture a real window would wear.
class ClothPreview : public QWidget {
public:
    ClothPreview(const SettingsTheme& theme, QWidget* parent);

    Outfit outfit = Outfit::sweater;
    ClothVariant variant = ClothVariant::classic;
    double borderWidth = 12;
    double patternScale = 1;
    bool darkSample = false;
    std::optional<Color> tint;

    // The whole preview, as painted.
    QImage render() const;
    // The sample window's frame in the preview's coordinates (y down).
    QRectF windowRect() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const SettingsTheme& theme_;
};

// One cloth swatch to pick: a strip of the outfit's cloth in one variant.
class VariantButton : public QAbstractButton {
public:
    VariantButton(Outfit outfit, ClothVariant variant, bool selected, bool darkSample,
                  const SettingsTheme& theme, QWidget* parent);

    Outfit outfit;
    ClothVariant variant;
    bool selected;
    bool darkSample;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const SettingsTheme& theme_;
    QImage swatch_;
};

// Cloth painted by the renderer into an image of `size` points at
// `pixelRatio` pixels per point: the ring of a window of `window` (y down).
QImage renderCloth(QSize size, qreal pixelRatio, const QRectF& window, Outfit outfit,
                   ClothVariant variant, double width, double scale,
                   const std::optional<Color>& tint, bool dark);

} // namespace garbello
