#include "app/settings_views.h"

#include "draw/bitmap.h"
#include "render/pattern_renderer.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace garbello {
namespace {

SettingsTheme makeLight() {
    SettingsTheme t;
    t.dark = false;
    t.window = QColor(0xF2, 0xF1, 0xED);
    t.sidebar = QColor(0xE7, 0xE5, 0xDF);
    t.card = QColor(0xFF, 0xFF, 0xFF);
    t.cardBorder = QColor(0xDA, 0xD7, 0xD0);
    t.text = QColor(0x1D, 0x21, 0x25);
    t.secondaryText = QColor(0x56, 0x5B, 0x62);
    t.accent = QColor(0x25, 0x63, 0xC9);
    t.field = QColor(0xFF, 0xFF, 0xFF);
    t.fieldBorder = QColor(0xBF, 0xBB, 0xB3);
    t.rowHover = QColor(0xEE, 0xEC, 0xE6);
    t.track = QColor(0xE8, 0xE6, 0xE0);
    t.success = QColor(0x2E, 0x85, 0x40);
    t.attention = QColor(0xC4, 0x62, 0x0A);
    t.disabledText = QColor(0x9A, 0x9E, 0xA3);
    // The accent is a shade too light for a numeral cut out of it to stand
    // out against the sidebar.
    t.badge = QColor(0x1D, 0x55, 0xB4);
    return t;
}

SettingsTheme makeDark() {
    SettingsTheme t;
    t.dark = true;
    t.window = QColor(0x1B, 0x1D, 0x20);
    t.sidebar = QColor(0x24, 0x27, 0x2B);
    t.card = QColor(0x2B, 0x2E, 0x33);
    t.cardBorder = QColor(0x3B, 0x3F, 0x45);
    t.text = QColor(0xEC, 0xED, 0xEF);
    t.secondaryText = QColor(0xAE, 0xB3, 0xBA);
    t.accent = QColor(0x5B, 0x9B, 0xF8);
    t.field = QColor(0x34, 0x38, 0x3D);
    t.fieldBorder = QColor(0x50, 0x55, 0x5C);
    t.rowHover = QColor(0x38, 0x3C, 0x42);
    t.track = QColor(0x38, 0x3C, 0x42);
    t.success = QColor(0x5C, 0xC4, 0x6E);
    t.attention = QColor(0xF0, 0xA0, 0x4B);
    t.disabledText = QColor(0x70, 0x75, 0x7C);
    t.badge = t.accent;
    return t;
}

double linear(double component) {
    return component <= 0.04045 ? component / 12.92 : std::pow((component + 0.055) / 1.055, 2.4);
}

// The backdrop the previews' sample window sits on.
QColor backdrop(bool dark) {
    return dark ? QColor(0x17, 0x19, 0x1C) : QColor(0xE4, 0xE1, 0xDA);
}

void drawFocusRing(QPainter& painter, const QRectF& rect, double radius,
                   const SettingsTheme& theme) {
    QColor ring = theme.accent;
    ring.setAlphaF(0.55);
    painter.setPen(QPen(ring, 2.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(1.25, 1.25, -1.25, -1.25), radius, radius);
}

} // namespace

const SettingsTheme& SettingsTheme::forAppearance(bool dark) {
    static const SettingsTheme light = makeLight();
    static const SettingsTheme darkTheme = makeDark();
    return dark ? darkTheme : light;
}

QPalette SettingsTheme::palette() const {
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, field);
    p.setColor(QPalette::AlternateBase, rowHover);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, field);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, contrastForeground(accent));
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, contrastForeground(accent));
    p.setColor(QPalette::Link, accent);
    p.setColor(QPalette::PlaceholderText, secondaryText);
    p.setColor(QPalette::ToolTipBase, card);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Light, dark ? field.lighter(130) : QColor(Qt::white));
    p.setColor(QPalette::Midlight, dark ? field.lighter(115) : field.darker(104));
    p.setColor(QPalette::Mid, fieldBorder);
    p.setColor(QPalette::Dark, fieldBorder.darker(130));
    p.setColor(QPalette::Shadow, dark ? QColor(0, 0, 0) : fieldBorder.darker(160));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Button, dark ? field.darker(115) : track);
    p.setColor(QPalette::Disabled, QPalette::Base, dark ? field.darker(115) : track);
    return p;
}

double relativeLuminance(const QColor& color) {
    const QColor c = color.toRgb();
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor contrastForeground(const QColor& background) {
    // The system blue stands in for a colour that has no sRGB form.
    const QColor colour = background.isValid() ? background : QColor(0x00, 0x7A, 0xFF);
    return relativeLuminance(colour) > 0.179 ? QColor(Qt::black) : QColor(Qt::white);
}

QFont settingsFont(TextRole role) {
    QFont font;
    font.setFamilies({"Nimbus Sans", "DejaVu Sans"});
    font.setHintingPreference(QFont::PreferNoHinting);
    switch (role) {
    case TextRole::body:
        font.setPixelSize(13);
        break;
    case TextRole::small:
        font.setPixelSize(12);
        break;
    case TextRole::caption:
        font.setPixelSize(11);
        font.setWeight(QFont::Bold);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
        break;
    case TextRole::cardTitle:
        font.setPixelSize(15);
        font.setWeight(QFont::Bold);
        break;
    case TextRole::header:
        font.setPixelSize(26);
        font.setWeight(QFont::Bold);
        break;
    case TextRole::appName:
        font.setPixelSize(20);
        font.setWeight(QFont::Bold);
        break;
    case TextRole::sidebarEntry:
        font.setPixelSize(14);
        break;
    }
    return font;
}

QPainterPath tshirtPath(const QRectF& box) {
    auto at = [&](double x, double y) {
        return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
    };
    QPainterPath outline;
    outline.moveTo(at(0.37, 0.10));
    outline.cubicTo(at(0.42, 0.22), at(0.58, 0.22), at(0.63, 0.10));
    outline.lineTo(at(0.95, 0.25));
    outline.lineTo(at(0.84, 0.47));
    outline.lineTo(at(0.75, 0.42));
    outline.lineTo(at(0.75, 0.90));
    outline.lineTo(at(0.25, 0.90));
    outline.lineTo(at(0.25, 0.42));
    outline.lineTo(at(0.16, 0.47));
    outline.lineTo(at(0.05, 0.25));
    outline.closeSubpath();
    // Rounded corners: the outline grown by a round-joined stroke.
    QPainterPathStroker stroker;
    stroker.setWidth(box.width() * 0.08);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    return outline.united(stroker.createStroke(outline)).simplified();
}

QImage renderCloth(QSize size, qreal pixelRatio, const QRectF& window, Outfit outfit,
                   ClothVariant variant, double width, double scale,
                   const std::optional<Color>& tint, bool dark) {
    const int pixelWidth = std::max(1, static_cast<int>(std::ceil(size.width() * pixelRatio)));
    const int pixelHeight = std::max(1, static_cast<int>(std::ceil(size.height() * pixelRatio)));
    Bitmap bitmap(pixelWidth, pixelHeight);
    DrawingSurface& surface = bitmap.surface();
    surface.scale(pixelRatio, pixelRatio);
    // The renderer's frame has y up; the window is given with y down.
    const double height = pixelHeight / pixelRatio;
    const Rect rect{window.x(), height - window.y() - window.height(), window.width(),
                    window.height()};
    PatternRenderer::draw(surface, rect, RingStyle{outfit, variant, width, scale, tint, dark, 10});
    const Image pixels = bitmap.toImage();
    QImage image(pixels.width, pixels.height, QImage::Format_ARGB32_Premultiplied);
    for (int row = 0; row < pixels.height; ++row)
        std::memcpy(image.scanLine(row),
                    pixels.pixels.data() + static_cast<std::size_t>(row) * pixels.stride,
                    static_cast<std::size_t>(pixels.width) * 4);
    image.setDevicePixelRatio(pixelRatio);
    return image;
}

// ---- SettingsCanvas

SettingsCanvas::SettingsCanvas(const SettingsTheme& theme, QWidget* parent)
    : QWidget(parent), theme_(&theme) {
    setPalette(theme.palette());
    setAutoFillBackground(false);
}

void SettingsCanvas::setTheme(const SettingsTheme& theme) {
    theme_ = &theme;
    setPalette(theme.palette());
    update();
}

void SettingsCanvas::paintEvent(QPaintEvent*) {
    if (plain)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), theme_->window);
}

// ---- SettingsPanel

SettingsPanel::SettingsPanel(Kind kind, const SettingsTheme& theme, QWidget* parent)
    : QWidget(parent), kind_(kind), theme_(theme) {}

void SettingsPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(theme_.cardBorder, 1));
    painter.setBrush(kind_ == Kind::sidebar ? theme_.sidebar : theme_.card);
    const double radius = kind_ == Kind::sidebar ? 14 : 12;
    painter.drawRoundedRect(box, radius, radius);
}

// ---- SettingsPrimaryButton

SettingsPrimaryButton::SettingsPrimaryButton(const QString& text, const SettingsTheme& theme,
                                             QWidget* parent)
    : QPushButton(text, parent), theme_(theme) {
    setFont(settingsFont(TextRole::body));
    setCursor(Qt::PointingHandCursor);
}

QSize SettingsPrimaryButton::sizeHint() const {
    return {QFontMetrics(font()).horizontalAdvance(text()) + 36, 32};
}

void SettingsPrimaryButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = theme_.accent;
    if (isDown())
        fill = theme_.dark ? fill.lighter(115) : fill.darker(115);
    QColor foreground = contrastForeground(fill);
    if (!isEnabled()) {
        fill.setAlphaF(0.4);
        foreground.setAlphaF(0.7);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 7, 7);
    if (hasFocus())
        drawFocusRing(painter, rect(), 8, theme_);
    painter.setPen(foreground);
    QFont bold = font();
    bold.setWeight(QFont::Bold);
    painter.setFont(bold);
    painter.drawText(rect(), Qt::AlignCenter, text());
}

// ---- SymbolView

SymbolView::SymbolView(const QColor& color, QWidget* parent) : QWidget(parent), color_(color) {}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    painter.drawPath(tshirtPath(QRectF(rect())));
}

// ---- SetupBadge

SetupBadge::SetupBadge(int number, State state, const QColor& tint, const SettingsTheme& theme,
                       QWidget* parent)
    : QWidget(parent), number_(number), state_(state), tint_(tint), theme_(theme) {
    setAccessibleName(QString::number(number));
}

void SetupBadge::paintEvent(QPaintEvent*) {
    const qreal ratio = std::max<qreal>(1, devicePixelRatioF());
    // Drawn on a layer of its own, so that what is cut out of the disc shows
    // whatever lies behind the badge.
    QImage layer(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(rect()).adjusted(1, 1, -1, -1);
    QFont font = settingsFont(TextRole::small);
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    if (state_ == State::ahead) {
        painter.setPen(QPen(theme_.secondaryText, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(disc.adjusted(0.75, 0.75, -0.75, -0.75));
        painter.drawText(rect(), Qt::AlignCenter, QString::number(number_));
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(state_ == State::active ? tint_ : theme_.success);
        painter.drawEllipse(disc);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        if (state_ == State::active) {
            painter.setPen(Qt::black);
            painter.drawText(rect(), Qt::AlignCenter, QString::number(number_));
        } else {
            QPainterPath check;
            const QRectF box = disc.adjusted(disc.width() * 0.27, disc.height() * 0.3,
                                             -disc.width() * 0.25, -disc.height() * 0.3);
            check.moveTo(box.left(), box.center().y());
            check.lineTo(box.left() + box.width() * 0.36, box.bottom());
            check.lineTo(box.right(), box.top());
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(Qt::black, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPath(check);
        }
    }
    painter.end();
    QPainter(this).drawImage(QPointF(0, 0), layer);
}

// ---- SegmentedControl

SegmentedControl::SegmentedControl(std::vector<QString> segments, int selected,
                                   const SettingsTheme& theme, QWidget* parent)
    : QWidget(parent), segments_(std::move(segments)), selected_(selected), theme_(theme) {
    setFocusPolicy(Qt::StrongFocus);
    setFont(settingsFont(TextRole::body));
    setCursor(Qt::PointingHandCursor);
}

void SegmentedControl::select(int index) {
    if (index < 0 || index >= static_cast<int>(segments_.size()) || index == selected_)
        return;
    selected_ = index;
    update();
    if (onSelect)
        onSelect(index);
}

QRectF SegmentedControl::segmentRect(int index) const {
    const double width = (this->width() - 4.0) / std::max<std::size_t>(1, segments_.size());
    return {2 + width * index, 2, width, height() - 4.0};
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(theme_.track);
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
    const QColor selectedFill = theme_.dark ? QColor(0x56, 0x5B, 0x62) : QColor(Qt::white);
    for (int i = 0; i < static_cast<int>(segments_.size()); ++i) {
        const QRectF box = segmentRect(i);
        if (i == selected_) {
            painter.setPen(QPen(theme_.dark ? selectedFill : theme_.cardBorder, 1));
            painter.setBrush(selectedFill);
            painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        } else if (i > 0 && i - 1 != selected_) {
            QColor divider = theme_.secondaryText;
            divider.setAlphaF(0.35);
            painter.setPen(QPen(divider, 1));
            painter.drawLine(QPointF(box.left(), box.top() + 7),
                             QPointF(box.left(), box.bottom() - 7));
        }
        painter.setPen(i == selected_ ? theme_.text : theme_.secondaryText);
        QFont font = this->font();
        if (i == selected_)
            font.setWeight(QFont::Bold);
        painter.setFont(font);
        painter.drawText(box, Qt::AlignCenter, segments_[static_cast<std::size_t>(i)]);
    }
    if (hasFocus())
        drawFocusRing(painter, rect(), 9, theme_);
}

void SegmentedControl::mousePressEvent(QMouseEvent* event) {
    for (int i = 0; i < static_cast<int>(segments_.size()); ++i)
        if (segmentRect(i).contains(event->position()))
            select(i);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left)
        select(selected_ - 1);
    else if (event->key() == Qt::Key_Right)
        select(selected_ + 1);
    else
        QWidget::keyPressEvent(event);
}

// ---- SettingsSlider

SettingsSlider::SettingsSlider(double minimum, double maximum, double value, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), minimum_(minimum), maximum_(maximum) {
    setRange(0, kSteps);
    setTracking(true);
    setDoubleValue(value);
    setCursor(Qt::PointingHandCursor);
}

double SettingsSlider::doubleValue() const {
    return minimum_ + (maximum_ - minimum_) * value() / kSteps;
}

void SettingsSlider::setDoubleValue(double value) {
    const double fraction =
        (std::clamp(value, minimum_, maximum_) - minimum_) / (maximum_ - minimum_);
    setValue(static_cast<int>(std::lround(fraction * kSteps)));
}

// ---- SettingsRowButton

SettingsRowButton::SettingsRowButton(const QString& text, Style style, const SettingsTheme& theme,
                                     QWidget* parent)
    : QAbstractButton(parent), style_(style), theme_(theme) {
    setText(text);
    setFont(settingsFont(style == Style::sidebar ? TextRole::sidebarEntry : TextRole::body));
    setCheckable(style == Style::sidebar);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void SettingsRowButton::enterEvent(QEnterEvent*) {
    hovered_ = true;
    update();
}

void SettingsRowButton::leaveEvent(QEvent*) {
    hovered_ = false;
    update();
}

void SettingsRowButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor foreground = theme_.text;
    if (style_ == Style::sidebar) {
        if (isChecked()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(theme_.accent);
            painter.drawRoundedRect(box, 8, 8);
            foreground = contrastForeground(theme_.accent);
        } else if (hovered_ || isDown()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(theme_.dark ? theme_.rowHover : theme_.track.darker(104));
            painter.drawRoundedRect(box, 8, 8);
        }
    } else {
        painter.setPen(QPen(theme_.fieldBorder, 1));
        painter.setBrush(isEnabled() && (hovered_ || isDown()) ? theme_.rowHover : theme_.field);
        painter.drawRoundedRect(box, 7, 7);
        if (!isEnabled())
            foreground = theme_.disabledText;
    }
    if (hasFocus())
        drawFocusRing(painter, rect(), 9, theme_);
    painter.setPen(foreground);
    QFont font = this->font();
    if (style_ == Style::sidebar && isChecked())
        font.setWeight(QFont::Bold);
    painter.setFont(font);
    const QRect textBox = rect().adjusted(14, 0, -12, 0);
    painter.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeft,
                     QFontMetrics(font).elidedText(text(), Qt::ElideRight, textBox.width()));
}

// ---- ClothPreview

ClothPreview::ClothPreview(const SettingsTheme& theme, QWidget* parent)
    : QWidget(parent), theme_(theme) {}

QRectF ClothPreview::windowRect() const {
    // Room for the widest border on every side, so the sample window keeps
    // its place while the width changes.
    constexpr double inset = 40;
    constexpr double largest[] = {440, 230};
    const QRectF room = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    QRectF window(0, 0, std::min(room.width(), largest[0]), std::min(room.height(), largest[1]));
    window.moveCenter(room.center());
    return window;
}

QImage ClothPreview::render() const {
    const qreal ratio = std::max<qreal>(1, devicePixelRatioF());
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // The desktop behind the sample.
    painter.setPen(Qt::NoPen);
    painter.setBrush(backdrop(darkSample));
    painter.drawRoundedRect(QRectF(rect()), 10, 10);

    const QRectF window = windowRect();
    const QRectF dressed = window.adjusted(-borderWidth, -borderWidth, borderWidth, borderWidth);
    // A soft shadow under the dressed window.
    for (int i = 6; i >= 1; --i) {
        painter.setBrush(QColor(0, 0, 0, darkSample ? 16 : 9));
        painter.drawRoundedRect(dressed.adjusted(-i, -i + 3, i, i + 3), 10 + borderWidth + i,
                                10 + borderWidth + i);
    }

    painter.drawImage(QPointF(0, 0), renderCloth(size(), ratio, window, outfit, variant,
                                                 borderWidth, patternScale, tint, darkSample));

    // The mock application window.
    const QColor background = darkSample ? QColor(0x1F, 0x26, 0x2B) : QColor(0xFE, 0xFC, 0xF7);
    const QColor bar = darkSample ? QColor(0x2B, 0x33, 0x38) : QColor(0xEB, 0xED, 0xE6);
    const QColor ink = darkSample ? QColor(0xE0, 0xE0, 0xE8) : QColor(0x33, 0x4A, 0x4A);
    QPainterPath shape;
    shape.addRoundedRect(window, 10, 10);
    painter.save();
    painter.setClipPath(shape);
    painter.fillRect(window, background);
    constexpr double titleBar = 24;
    painter.fillRect(QRectF(window.left(), window.top(), window.width(), titleBar), bar);
    const QColor dots[] = {{0xE8, 0x6E, 0x61}, {0xE8, 0xBA, 0x52}, {0x78, 0xB5, 0x7A}};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(dots[i]);
        painter.drawEllipse(QPointF(window.left() + 13 + 14 * i, window.top() + titleBar / 2), 4,
                            4);
    }
    QFont font = settingsFont(TextRole::small);
    font.setPixelSize(11);
    painter.setFont(font);
    QColor faded = ink;
    faded.setAlphaF(0.75);
    painter.setPen(faded);
    painter.drawText(QRectF(window.left() + 62, window.top(), window.width() - 70, titleBar),
                     Qt::AlignVCenter | Qt::AlignLeft, "Field notes");
    const double left = window.left() + 18;
    const double textWidth = window.width() - 30;
    font = settingsFont(TextRole::cardTitle);
    font.setPixelSize(std::clamp(static_cast<int>(window.width() / 16), 12, 18));
    painter.setFont(font);
    painter.setPen(ink);
    const QFontMetricsF headingMetrics(font);
    double y = window.top() + titleBar + 14 + headingMetrics.ascent();
    painter.drawText(QPointF(left, y), headingMetrics.elidedText("A little outside, brought in.",
                                                                 Qt::ElideRight, textWidth));
    font = settingsFont(TextRole::small);
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(faded);
    y += headingMetrics.descent() + 6 + QFontMetricsF(font).ascent();
    painter.drawText(QPointF(left, y),
                     QFontMetricsF(font).elidedText("Your windows, dressed for the day.",
                                                    Qt::ElideRight, textWidth));
    QColor barInk = ink;
    barInk.setAlphaF(0.13);
    painter.setPen(Qt::NoPen);
    painter.setBrush(barInk);
    const double widths[] = {0.72, 0.56, 0.64, 0.4};
    y += 14;
    for (double fraction : widths) {
        if (y + 5 > window.bottom() - 10)
            break;
        painter.drawRoundedRect(QRectF(left, y, (window.width() - 36) * fraction, 5), 2.5, 2.5);
        y += 11;
    }
    painter.restore();
    return image;
}

void ClothPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), render());
}

// ---- VariantButton

VariantButton::VariantButton(Outfit outfit, ClothVariant variant, bool selected, bool darkSample,
                             const SettingsTheme& theme, QWidget* parent)
    : QAbstractButton(parent), outfit(outfit), variant(variant), selected(selected),
      darkSample(darkSample), theme_(theme) {
    const QString title = QString::fromUtf8(variant.title(outfit).data(),
                                            static_cast<qsizetype>(variant.title(outfit).size()));
    setText(title);
    setToolTip(title);
    setAccessibleName(title);
    setFont(settingsFont(TextRole::small));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void VariantButton::paintEvent(QPaintEvent*) {
    constexpr int swatchHeight = 40;
    const QRect swatchBox(3, 3, width() - 6, swatchHeight);
    const qreal ratio = std::max<qreal>(1, devicePixelRatioF());
    if (swatch_.isNull() || swatch_.size() != swatchBox.size() * ratio) {
        // The strip under a window far wider than the swatch: straight cloth
        // between its edge lines, no seams or corners in view.
        const QRectF window(-600, -1000, swatchBox.width() + 1200, 1000);
        swatch_ = renderCloth(swatchBox.size(), ratio, window, outfit, variant, swatchHeight, 1,
                              std::nullopt, darkSample);
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(swatchBox), 7, 7);
    painter.save();
    painter.setClipPath(clip);
    painter.fillRect(swatchBox, backdrop(darkSample));
    painter.drawImage(swatchBox.topLeft(), swatch_);
    painter.restore();
    painter.setBrush(Qt::NoBrush);
    if (selected) {
        painter.setPen(QPen(theme_.accent, 3));
        painter.drawRoundedRect(QRectF(swatchBox).adjusted(-1.5, -1.5, 1.5, 1.5), 8.5, 8.5);
    } else {
        painter.setPen(QPen(theme_.cardBorder, 1));
        painter.drawRoundedRect(QRectF(swatchBox).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    }
    if (hasFocus())
        drawFocusRing(painter, QRect(0, 0, width(), swatchHeight + 6), 10, theme_);
    QFont font = this->font();
    if (selected)
        font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(selected ? theme_.text : theme_.secondaryText);
    const QRect textBox(0, swatchHeight + 8, width(), height() - swatchHeight - 8);
    painter.drawText(textBox, Qt::AlignHCenter | Qt::AlignTop,
                     QFontMetrics(font).elidedText(text(), Qt::ElideRight, textBox.width()));
}

} // namespace garbello
