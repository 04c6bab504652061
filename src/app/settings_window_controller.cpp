#include "app/settings_window_controller.h"

#include "app/settings_views.h"
#include "support/log.h"
#include "update/update_version.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

namespace garbello {
namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 760;
// The content column right of the sidebar.
constexpr int kContentX = 248;
constexpr int kContentWidth = kWidth - kContentX - 24;
constexpr int kCardTop = 104;
constexpr int kCardGap = 16;
constexpr int kPadding = 20;
constexpr int kControlHeight = 30;
// Where a setup step's content begins, below its title and description.
constexpr int kStepTop = 140;

// The tint previews wear when applications keep their own colours: a
// strongly coloured sample application's.
const Color kSampleApplicationColour = Color::rgb(0.05, 0.18, 0.95, 1);

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string lowercase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

QImage toQImage(const Image& image) {
    QImage result(image.width, image.height, QImage::Format_ARGB32_Premultiplied);
    if (image.stride < image.width * 4 ||
        image.pixels.size() < static_cast<std::size_t>(image.stride) * image.height)
        return {};
    for (int row = 0; row < image.height; ++row)
        std::memcpy(result.scanLine(row),
                    image.pixels.data() + static_cast<std::size_t>(row) * image.stride,
                    static_cast<std::size_t>(image.width) * 4);
    return result;
}

QPixmap disc(int diameter, const QColor& colour) {
    QPixmap pixmap(diameter, diameter);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(0.5, 0.5, diameter - 1, diameter - 1));
    return pixmap;
}

// A scroll area that shows the card behind it.
QScrollArea* listArea(QScrollArea* area, const SettingsTheme& theme) {
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = area->palette();
    palette.setColor(QPalette::Window, theme.card);
    area->setPalette(palette);
    area->viewport()->setPalette(palette);
    return area;
}

std::string placeRow(const Place& place) {
    char coordinates[64];
    std::snprintf(coordinates, sizeof coordinates, "%.2f, %.2f", place.latitude, place.longitude);
    return place.name + "  \u00B7  " + coordinates;
}

std::string borderWidthLabel(double width) {
    return "Border width \u00B7 " + std::to_string(static_cast<long>(std::lround(width))) + " pt";
}

std::string patternScaleLabel(double scale) {
    return "Pattern scale \u00B7 " + std::to_string(static_cast<long>(scale * 100)) + "%";
}

std::string previewCaption(bool shared) {
    return shared ? "LIVE PREVIEW \u00B7 SHARED CLOTH COLOURS"
                  : "LIVE PREVIEW \u00B7 SAMPLE APP COLOURS";
}

std::string lastChecked(const std::optional<Date>& date) {
    if (!date)
        return "Not yet";
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(date->time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms).toString("d MMMM yyyy, HH:mm").toStdString();
}

} // namespace

std::string_view rawValue(SettingsPane pane) {
    static constexpr std::string_view names[] = {"outfits", "weather", "appearance",
                                                 "apps",    "general", "updates"};
    return names[static_cast<int>(pane)];
}

std::string_view title(SettingsPane pane) {
    static constexpr std::string_view titles[] = {
        "Outfits", "Weather & location", "Appearance", "Apps", "General", "Updates"};
    return titles[static_cast<int>(pane)];
}

// Places the views of one screen on the page, absolutely, in the theme.
class SettingsWindowController::Builder {
public:
    Builder(QWidget* page, const SettingsTheme& theme, QStyle* style)
        : page(page), theme(theme), style_(style) {}

    template <class View> View* place(View* view, const QRect& frame) {
        if (style_)
            view->setStyle(style_);
        // Fusion outlines check boxes and slider grooves in a shade of the
        // window colour, which all but vanishes on a dark card.
        if (theme.dark && (qobject_cast<QCheckBox*>(view) || qobject_cast<QSlider*>(view))) {
            QPalette palette = view->palette();
            palette.setColor(QPalette::Window, QColor(0xA0, 0xA6, 0xAE));
            view->setPalette(palette);
        }
        view->setGeometry(frame);
        return view;
    }

    QLabel* text(const std::string& content, TextRole role, const QRect& frame,
                 bool secondary = false, bool wrap = false,
                 Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter,
                 QWidget* parent = nullptr) {
        auto* label = new QLabel(q(content), parent ? parent : page);
        label->setTextFormat(Qt::PlainText);
        label->setFont(settingsFont(role));
        label->setWordWrap(wrap);
        label->setAlignment(alignment);
        if (!wrap) {
            // One line never runs past its frame: it ends in an ellipsis and
            // the whole text is a tooltip away.
            const QString whole = label->text();
            const QString shown =
                QFontMetrics(label->font()).elidedText(whole, Qt::ElideRight, frame.width());
            if (shown != whole) {
                label->setText(shown);
                label->setToolTip(whole);
            }
        }
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, secondary ? theme.secondaryText : theme.text);
        label->setPalette(palette);
        return place(label, frame);
    }

    SettingsPanel* panel(SettingsPanel::Kind kind, const QRect& frame) {
        return place(new SettingsPanel(kind, theme, page), frame);
    }

    // A card with its title and a one-line subtitle, which keep clear of
    // `reserve` points at the card's right for its controls; returns the card.
    QRect card(const QRect& frame, const std::string& title, const std::string& subtitle = {},
               int reserve = 0) {
        panel(SettingsPanel::Kind::card, frame);
        const int width = frame.width() - 2 * kPadding - reserve;
        text(title, TextRole::cardTitle, {frame.x() + kPadding, frame.y() + 16, width, 22});
        if (!subtitle.empty())
            text(subtitle, TextRole::small, {frame.x() + kPadding, frame.y() + 40, width, 18},
                 true);
        return frame;
    }

    QPushButton* button(const std::string& title, const QRect& frame) {
        auto* view = new QPushButton(q(title), page);
        view->setFont(settingsFont(TextRole::body));
        view->setCursor(Qt::PointingHandCursor);
        return place(view, frame);
    }

    SettingsPrimaryButton* primary(const std::string& title, const QRect& frame) {
        return place(new SettingsPrimaryButton(q(title), theme, page), frame);
    }

    QCheckBox* checkbox(const std::string& title, bool checked, const QRect& frame,
                        QWidget* parent = nullptr) {
        auto* view = new QCheckBox(q(title), parent ? parent : page);
        view->setFont(settingsFont(TextRole::body));
        view->setChecked(checked);
        return place(view, frame);
    }

    QComboBox* popup(const std::vector<std::string>& items, int selected, const QRect& frame,
                     QWidget* parent = nullptr) {
        auto* view = new QComboBox(parent ? parent : page);
        view->setFont(settingsFont(TextRole::body));
        for (const auto& item : items)
            view->addItem(q(item));
        view->setCurrentIndex(selected);
        return place(view, frame);
    }

    SegmentedControl* segmented(std::vector<QString> segments, int selected, const QRect& frame) {
        return place(new SegmentedControl(std::move(segments), selected, theme, page), frame);
    }

    QWidget* page;
    const SettingsTheme& theme;

private:
    QStyle* style_;
};

// ---- lifecycle

std::shared_ptr<SettingsWindowController>
SettingsWindowController::create(GarbelloSettings initialSettings, bool previewMode,
                                 Services services) {
    auto controller = std::shared_ptr<SettingsWindowController>(
        new SettingsWindowController(std::move(initialSettings), previewMode, std::move(services)));
    controller->rebuild();
    return controller;
}

SettingsWindowController::SettingsWindowController(GarbelloSettings initialSettings,
                                                   bool previewMode, Services services)
    : services_(std::move(services)), settings_(std::move(initialSettings)),
      previewMode_(previewMode), style_(QStyleFactory::create("Fusion")),
      canvas_(std::make_unique<SettingsCanvas>(theme())) {
    canvas_->setWindowTitle("Garbello");
    canvas_->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                            Qt::WindowMinimizeButtonHint);
    canvas_->setFixedSize(kWidth, kHeight);
    canvas_->setFont(settingsFont(TextRole::body));
    if (style_)
        style_->setParent(nullptr);
}

SettingsWindowController::~SettingsWindowController() {
    canvas_.reset();
}

QWidget* SettingsWindowController::window() const {
    return canvas_.get();
}

const SettingsTheme& SettingsWindowController::theme() const {
    return SettingsTheme::forAppearance(darkAppearance_);
}

QWidget* SettingsWindowController::control(std::string_view key) const {
    auto found = controls_.find(key);
    return found == controls_.end() ? nullptr : found->second.data();
}

std::vector<std::string> SettingsWindowController::controlKeys() const {
    std::vector<std::string> keys;
    for (const auto& [key, view] : controls_)
        keys.push_back(key);
    return keys;
}

QImage SettingsWindowController::renderCanvas() const {
    canvas_->ensurePolished();
    return canvas_->grab().toImage();
}

std::string SettingsWindowController::loginActionTitle(std::string_view loginStatus) {
    const std::string status = lowercase(loginStatus);
    if (status.find("approval") != std::string::npos)
        return "Open Login Items settings";
    if (status == "on")
        return "Turn off launch at login";
    return "Turn on launch at login";
}

void SettingsWindowController::present() {
    if (previewMode_)
        return;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        canvas_->move(area.center() - QPoint(kWidth / 2, kHeight / 2));
    }
    canvas_->show();
    canvas_->raise();
    canvas_->activateWindow();
    log::settings.debug("Presented configuration window");
}

void SettingsWindowController::setDarkAppearance(bool dark) {
    if (dark == darkAppearance_)
        return;
    darkAppearance_ = dark;
    canvas_->setTheme(theme());
    rebuild();
}

void SettingsWindowController::showPane(SettingsPane pane) {
    newSearchToken();
    pane_ = pane;
    rebuild();
}

void SettingsWindowController::showOnboarding() {
    newSearchToken();
    setup_ = SetupStep::welcome;
    rebuild();
    present();
}

void SettingsWindowController::showSettings(std::optional<SettingsPane> pane) {
    newSearchToken();
    setup_.reset();
    if (pane)
        pane_ = *pane;
    rebuild();
    present();
}

// ---- state from the owner

void SettingsWindowController::update(const GarbelloSettings& settings,
                                      const std::string& weatherSummary, bool accessibilityGranted,
                                      const std::string& loginStatus) {
    if (settings == settings_ && weatherSummary == weatherSummary_ &&
        accessibilityGranted == accessibilityGranted_ && loginStatus == loginStatus_ &&
        !pendingRefresh_)
        return;
    if (isTypingInCityField())
        cityInput_ = static_cast<QLineEdit*>(control("city-input"))->text().toStdString();
    settings_ = settings;
    weatherSummary_ = weatherSummary;
    accessibilityGranted_ = accessibilityGranted;
    loginStatus_ = loginStatus;
    rebuildOrDefer();
}

void SettingsWindowController::setUpdateState(SettingsUpdateState state) {
    if (state == update_)
        return;
    update_ = std::move(state);
    if (!setup_ && pane_ == SettingsPane::updates)
        rebuildOrDefer();
}

void SettingsWindowController::rebuildOrDefer() {
    // An open pop-up list would vanish under the pointer as well.
    if (isTypingInCityField() || isDraggingSlider() || QApplication::activePopupWidget()) {
        pendingRefresh_ = true;
        return;
    }
    pendingRefresh_ = false;
    rebuild();
}

bool SettingsWindowController::isTypingInCityField() const {
    QWidget* field = control("city-input");
    return field && canvas_->focusWidget() == field;
}

bool SettingsWindowController::isDraggingSlider() const {
    for (const auto& [key, view] : controls_)
        if (auto* slider = qobject_cast<QSlider*>(view.data()); slider && slider->isSliderDown())
            return true;
    return false;
}

void SettingsWindowController::refreshApplications() {
    const bool listed = setup_ ? *setup_ == SetupStep::apps : pane_ == SettingsPane::apps;
    if (listed)
        rebuild();
}

// ---- changes

void SettingsWindowController::changed(const std::string& action, bool rebuildAfter) {
    log::settings.debug("Configuration action: " + action);
    if (onSettingsChange)
        onSettingsChange(settings_);
    if (rebuildAfter)
        rebuild();
    else
        refreshPreviews();
}

void SettingsWindowController::refreshPreviews() {
    const ClothVariant variant =
        settings_.preferredVariant(browsingOutfit_).value_or(ClothVariant::classic);
    for (const auto& preview : previews_) {
        if (!preview)
            continue;
        preview->outfit = browsingOutfit_;
        preview->variant = variant;
        preview->borderWidth = settings_.borderWidth;
        preview->patternScale = settings_.patternScale;
        preview->darkSample = sampleDark_;
        preview->tint =
            settings_.sameForAllApps ? std::nullopt : std::optional(kSampleApplicationColour);
        preview->update();
    }
    for (const auto& caption : previewCaptions_)
        if (caption)
            caption->setText(q(previewCaption(settings_.sameForAllApps)));
}

void SettingsWindowController::bind(QWidget* view, const std::string& key) {
    view->setObjectName(q(key));
    controls_[key] = view;
}

// ---- city search

void SettingsWindowController::search() {
    const std::string query = QString::fromStdString(cityInput_).trimmed().toStdString();
    if (query.empty()) {
        searchMessage_ = "Type a city name to search.";
        rebuild();
        return;
    }
    newSearchToken();
    const std::uint64_t token = searchID_;
    searchMessage_ = "Searching cities\u2026";
    cityResults_.clear();
    log::settings.debug("Searching for a weather city");
    rebuild();
    if (!onCitySearch) {
        searchMessage_ = "City search is unavailable. Please try again.";
        rebuild();
        return;
    }
    std::weak_ptr<SettingsWindowController> weak = weak_from_this();
    platform::TaskQueue* mainThread = &services_.mainThread;
    onCitySearch(query, [weak, token, mainThread](std::vector<Place> places,
                                                  std::optional<std::string> message) {
        mainThread->post([weak, token, places = std::move(places), message = std::move(message)] {
            if (auto self = weak.lock())
                self->finishSearch(token, places, message);
        });
    });
}

void SettingsWindowController::finishSearch(std::uint64_t token, std::vector<Place> places,
                                            std::optional<std::string> message) {
    if (token != searchID_)
        return;
    cityResults_ = std::move(places);
    if (message)
        searchMessage_ = *message;
    else
        searchMessage_ = cityResults_.empty()
                             ? "No cities found. Try a nearby city or another spelling."
                             : "Choose your city.";
    rebuild();
}

void SettingsWindowController::cityTextEdited(const QString& text) {
    cityInput_ = text.toStdString();
    // A reply to the old text may no longer be picked.
    newSearchToken();
    for (const auto& [key, view] : controls_)
        if (key.starts_with("city-result-") && view)
            view->setEnabled(false);
}

// ---- building

void SettingsWindowController::rebuild() {
    // The control with the keyboard focus, to give it back afterwards.
    std::string focusKey;
    int cursor = -1;
    if (QWidget* focused = canvas_->focusWidget()) {
        for (const auto& [key, view] : controls_)
            if (view == focused) {
                focusKey = key;
                if (auto* field = qobject_cast<QLineEdit*>(focused))
                    cursor = field->cursorPosition();
            }
    }
    controls_.clear();
    previews_.clear();
    previewCaptions_.clear();
    if (page_) {
        // A control of the old page may be running this very rebuild.
        page_->hide();
        page_->deleteLater();
    }
    page_ = new QWidget(canvas_.get());
    page_->setGeometry(0, 0, kWidth, kHeight);
    Builder builder(page_, theme(), style_.get());
    if (setup_) {
        buildSetup(builder);
    } else {
        buildSidebar(builder);
        switch (pane_) {
        case SettingsPane::outfits:
            buildOutfits(builder);
            break;
        case SettingsPane::weather:
            buildWeather(builder);
            break;
        case SettingsPane::appearance:
            buildAppearance(builder);
            break;
        case SettingsPane::apps:
            buildApps(builder);
            break;
        case SettingsPane::general:
            buildGeneral(builder);
            break;
        case SettingsPane::updates:
            buildUpdates(builder);
            break;
        }
    }
    refreshPreviews();
    page_->show();
    if (QWidget* view = control(focusKey)) {
        view->setFocus(Qt::OtherFocusReason);
        if (auto* field = qobject_cast<QLineEdit*>(view); field && cursor >= 0)
            field->setCursorPosition(cursor);
    }
}

void SettingsWindowController::buildSidebar(Builder& b) {
    const SettingsTheme& t = b.theme;
    b.panel(SettingsPanel::Kind::sidebar, {16, 16, 208, kHeight - 32});
    b.place(new SymbolView(t.accent, b.page), {36, 36, 30, 30});
    b.text("Garbello", TextRole::appName, {76, 34, 140, 34});
    b.text("A little outside, brought in.", TextRole::small, {36, 76, 176, 20}, true);
    int y = 120;
    for (SettingsPane pane : kSettingsPanes) {
        auto* button = b.place(
            new SettingsRowButton(q(title(pane)), SettingsRowButton::Style::sidebar, t, b.page),
            {34, y, 172, 40});
        button->setChecked(pane == pane_);
        QObject::connect(button, &QAbstractButton::clicked, [this, pane] { showPane(pane); });
        bind(button, "pane-" + std::string(rawValue(pane)));
        y += 46;
    }
    const bool paused = settings_.paused;
    auto* dot = b.place(new QLabel(b.page), {35, kHeight - 53, 10, 10});
    dot->setPixmap(disc(10, paused ? t.attention : t.success));
    auto* status = b.text(paused ? "Outfits are paused" : "Ready for your windows", TextRole::small,
                          {52, kHeight - 62, 160, 28}, true);
    status->setObjectName("sidebar-status");
}

void SettingsWindowController::buildHeader(Builder& b, const std::string& title,
                                           const std::string& subtitle) {
    b.text(title, TextRole::header, {kContentX, 26, kContentWidth, 36});
    b.text(subtitle, TextRole::body, {kContentX, 64, kContentWidth, 22}, true);
}

void SettingsWindowController::buildOutfits(Builder& b) {
    buildHeader(b, "Outfits", "Choose how your windows dress for the day.");
    const int x = kContentX;
    const int w = kContentWidth;

    const std::string modeNote =
        settings_.manualOutfit
            ? "Always wearing " + std::string(settings_.manualOutfit->title()) + "."
            : "The forecast picks the outfit each time the weather changes.";
    QRect card = b.card({x, kCardTop, w, 116}, "Today's outfit", modeNote);
    auto* mode = b.segmented({"Automatic \u00B7 follow weather", "Choose an outfit"},
                             settings_.manualOutfit ? 1 : 0,
                             {card.x() + kPadding, card.y() + 70, 380, kControlHeight});
    mode->onSelect = [this](int index) {
        if (index == 0)
            settings_.manualOutfit.reset();
        else
            settings_.manualOutfit = browsingOutfit_;
        changed("outfit mode", true);
    };
    bind(mode, "outfit-mode");
    b.text("Outfit", TextRole::body,
           {card.right() - kPadding - 200 - 70, card.y() + 70, 60, kControlHeight}, true, false,
           Qt::AlignRight | Qt::AlignVCenter);
    buildOutfitPicker(b, {card.right() - kPadding - 200 + 1, card.y() + 70, 200, kControlHeight},
                      "browse-outfit");

    const std::optional<ClothVariant> preferred = settings_.preferredVariant(browsingOutfit_);
    card = b.card({x, card.bottom() + 1 + kCardGap, w, 456},
                  "Cloth for " + std::string(browsingOutfit_.title()),
                  "Pick one cloth for every window, or let each window wear its own.");
    auto* preview =
        b.place(new ClothPreview(b.theme, b.page), {card.x() + kPadding, card.y() + 70, 320, 200});
    previews_.push_back(preview);

    const int column = card.x() + kPadding + 320 + 24;
    const int columnWidth = card.right() - kPadding - column;
    b.text("FAVOURITE CLOTH", TextRole::caption, {column, card.y() + 74, columnWidth, 16}, true);
    b.text(preferred ? std::string(preferred->title(browsingOutfit_))
                     : "A different pattern per window",
           TextRole::cardTitle, {column, card.y() + 94, columnWidth, 24});
    b.text(preferred ? "Every window wears this cloth, except in apps that have a cloth of "
                       "their own in Apps."
                     : "Each window keeps a cloth of its own, chosen from its app and window, "
                       "and wears it every day.",
           TextRole::small, {column, card.y() + 124, columnWidth, 54}, true, true,
           Qt::AlignLeft | Qt::AlignTop);
    auto* automatic = b.button("Use a different pattern per window",
                               {column, card.y() + 188, 260, kControlHeight + 2});
    automatic->setEnabled(preferred.has_value());
    QObject::connect(automatic, &QPushButton::clicked, [this] {
        settings_.setPreferredVariant(std::nullopt, browsingOutfit_);
        changed("automatic cloth", true);
    });
    bind(automatic, "variant-auto");

    constexpr int swatchWidth = 128;
    constexpr int swatchGap = 12;
    for (ClothVariant variant : ClothVariant::allCases()) {
        const int index = variant.rawValue();
        const QRect frame{card.x() + kPadding + (index % 5) * (swatchWidth + swatchGap),
                          card.y() + 294 + (index / 5) * 74, swatchWidth, 64};
        auto* swatch = b.place(new VariantButton(browsingOutfit_, variant, preferred == variant,
                                                 sampleDark_, b.theme, b.page),
                               frame);
        QObject::connect(swatch, &QAbstractButton::clicked, [this, variant] {
            settings_.setPreferredVariant(variant, browsingOutfit_);
            changed("preferred cloth", true);
        });
        bind(swatch, "variant-" + std::to_string(index));
    }
}

void SettingsWindowController::buildOutfitPicker(Builder& b, const QRect& frame,
                                                 const std::string& key) {
    std::vector<std::string> outfits;
    for (Outfit outfit : Outfit::allCases())
        outfits.emplace_back(outfit.title());
    auto* picker = b.popup(outfits, static_cast<int>(browsingOutfit_.index()), frame);
    QObject::connect(picker, &QComboBox::currentIndexChanged, [this](int index) {
        if (index < 0)
            return;
        browsingOutfit_ = Outfit::allCases()[static_cast<std::size_t>(index)];
        if (settings_.manualOutfit)
            settings_.manualOutfit = browsingOutfit_;
        changed("manual outfit", false);
        rebuild();
    });
    bind(picker, key);
}

void SettingsWindowController::buildBorderWidth(Builder& b, const QRect& label,
                                                const QRect& slider) {
    QLabel* widthLabel = b.text(borderWidthLabel(settings_.borderWidth), TextRole::body, label);
    auto* borderWidth = b.place(new SettingsSlider(GarbelloSettings::kMinimumBorderWidth,
                                                   GarbelloSettings::kMaximumBorderWidth,
                                                   settings_.borderWidth, b.page),
                                slider);
    QObject::connect(borderWidth, &QSlider::valueChanged, [this, borderWidth, widthLabel] {
        const double width = std::round(borderWidth->doubleValue());
        widthLabel->setText(q(borderWidthLabel(width)));
        if (width == settings_.borderWidth)
            return;
        settings_.borderWidth = width;
        changed("border width", false);
    });
    bind(borderWidth, "border-width");
}

void SettingsWindowController::buildForecast(Builder& b, const QRect& frame, int summaryHeight) {
    b.card(frame, "Your forecast", "Forecast, last update and outfit status", 130);
    b.text(weatherSummary_, TextRole::body,
           {frame.x() + kPadding, frame.y() + 72, frame.width() - 2 * kPadding, summaryHeight},
           false, true, Qt::AlignLeft | Qt::AlignTop);
}

void SettingsWindowController::buildCitySearch(Builder& b, int x, int y, int width,
                                               int resultsHeight, const std::string& note) {
    const SettingsTheme& t = b.theme;
    constexpr int searchWidth = 96;
    auto* field = b.place(new QLineEdit(q(cityInput_), b.page),
                          {x, y, width - searchWidth - 10, kControlHeight + 2});
    field->setFont(settingsFont(TextRole::body));
    field->setPlaceholderText("Try a city name, like Portland or Copenhagen.");
    field->setClearButtonEnabled(true);
    QObject::connect(field, &QLineEdit::textEdited,
                     [this](const QString& text) { cityTextEdited(text); });
    QObject::connect(field, &QLineEdit::returnPressed, [this] { search(); });
    bind(field, "city-input");
    auto* find = b.primary("Search", {x + width - searchWidth, y, searchWidth, kControlHeight + 2});
    QObject::connect(find, &QPushButton::clicked, [this] { search(); });
    bind(find, "city-search");

    const std::string& message = searchMessage_.empty() ? note : searchMessage_;
    if (!message.empty())
        b.text(message, TextRole::small, {x, y + 38, width, 18}, true);

    if (cityResults_.empty())
        return;
    auto* area = listArea(b.place(new QScrollArea(b.page), {x, y + 62, width, resultsHeight}), t);
    constexpr int rowHeight = 34;
    constexpr int rowGap = 6;
    auto* rows = new QWidget;
    rows->setAutoFillBackground(false);
    const int rowsHeight = static_cast<int>(cityResults_.size()) * (rowHeight + rowGap) - rowGap;
    const bool scrolls = rowsHeight > resultsHeight;
    rows->resize(width - (scrolls ? 14 : 0), rowsHeight);
    for (std::size_t i = 0; i < cityResults_.size(); ++i) {
        const Place place = cityResults_[i];
        auto* row = b.place(
            new SettingsRowButton(q(placeRow(place)), SettingsRowButton::Style::result, t, rows),
            {0, static_cast<int>(i) * (rowHeight + rowGap), rows->width(), rowHeight});
        QObject::connect(row, &QAbstractButton::clicked, [this, place] {
            settings_.place = place;
            cityResults_.clear();
            searchMessage_ = "Using " + place.name;
            if (onPlace)
                onPlace(place);
            changed("weather city", true);
        });
        bind(row, "city-result-" + std::to_string(i));
    }
    area->setWidget(rows);
}

void SettingsWindowController::buildWeather(Builder& b) {
    buildHeader(b, "Weather & location", "The forecast for your place picks the outfit.");
    const int x = kContentX;
    const int w = kContentWidth;

    QRect card = b.card({x, kCardTop, w, 268}, "Your weather location", {}, 200);
    b.text(settings_.place ? settings_.place->name : "No location chosen yet", TextRole::body,
           {card.x() + kPadding, card.y() + 40, w - 2 * kPadding - 200, 20},
           !settings_.place.has_value());
    auto* current = b.button("Use current location", {card.right() - kPadding - 180 + 1,
                                                      card.y() + 16, 180, kControlHeight});
    QObject::connect(current, &QPushButton::clicked, [this] {
        if (onCurrentLocation)
            onCurrentLocation();
    });
    bind(current, "current-location");
    buildCitySearch(b, card.x() + kPadding, card.y() + 76, w - 2 * kPadding, 112,
                    "City search sends the city name to Open-Meteo.");

    card = {x, card.bottom() + 1 + kCardGap, w, 252};
    buildForecast(b, card, 110);
    auto* refresh = b.button(
        "Refresh", {card.right() - kPadding - 110 + 1, card.y() + 16, 110, kControlHeight});
    QObject::connect(refresh, &QPushButton::clicked, [this] {
        if (onRefresh)
            onRefresh();
    });
    bind(refresh, "refresh");
    b.text("Temperatures in", TextRole::body,
           {card.x() + kPadding, card.y() + 198, 120, kControlHeight}, true);
    auto* unit = b.segmented({"Celsius", "Fahrenheit"},
                             settings_.temperatureUnit == TemperatureUnit::celsius ? 0 : 1,
                             {card.x() + kPadding + 124, card.y() + 198, 240, kControlHeight});
    unit->onSelect = [this](int index) {
        settings_.temperatureUnit =
            index == 0 ? TemperatureUnit::celsius : TemperatureUnit::fahrenheit;
        changed("temperature unit", false);
    };
    bind(unit, "temperature-unit");

    b.text("Forecasts by Open-Meteo \u00B7 Updated automatically about every 30 minutes",
           TextRole::small, {x + 4, card.bottom() + 1 + 12, w, 18}, true);
}

void SettingsWindowController::buildAppearance(Builder& b) {
    buildHeader(b, "Appearance", "Fit the cloth to your windows.");
    const int x = kContentX;
    const int w = kContentWidth;
    const int inner = w - 2 * kPadding;

    QRect card = b.card({x, kCardTop, w, 214}, "Fit");
    buildBorderWidth(b, {card.x() + kPadding, card.y() + 48, inner, 20},
                     {card.x() + kPadding, card.y() + 70, inner, 22});

    QLabel* scaleLabel = b.text(patternScaleLabel(settings_.patternScale), TextRole::body,
                                {card.x() + kPadding, card.y() + 106, inner, 20});
    auto* patternScale = b.place(new SettingsSlider(GarbelloSettings::kMinimumPatternScale,
                                                    GarbelloSettings::kMaximumPatternScale,
                                                    settings_.patternScale, b.page),
                                 {card.x() + kPadding, card.y() + 128, inner, 22});
    QObject::connect(patternScale, &QSlider::valueChanged, [this, patternScale, scaleLabel] {
        settings_.patternScale = patternScale->doubleValue();
        scaleLabel->setText(q(patternScaleLabel(settings_.patternScale)));
        changed("pattern scale", false);
    });
    bind(patternScale, "pattern-scale");

    auto* shared = b.checkbox("Use the same colours for every app", settings_.sameForAllApps,
                              {card.x() + kPadding - 2, card.y() + 162, inner, 24});
    QObject::connect(shared, &QCheckBox::toggled, [this](bool on) {
        settings_.sameForAllApps = on;
        changed("shared colours", false);
    });
    bind(shared, "same-colors");
    b.text("When off, each app\u2019s icon adds a gentle tint to the cloth.", TextRole::small,
           {card.x() + kPadding + 24, card.y() + 186, inner - 24, 18}, true);

    card = b.card({x, card.bottom() + 1 + kCardGap, w, 410}, "Preview");
    QLabel* caption = b.text(previewCaption(settings_.sameForAllApps), TextRole::caption,
                             {card.x() + kPadding, card.y() + 42, inner - 200, 16}, true);
    previewCaptions_.push_back(caption);
    auto* sample = b.segmented({"Light", "Dark"}, sampleDark_ ? 1 : 0,
                               {card.right() - kPadding - 180 + 1, card.y() + 16, 180, 28});
    sample->onSelect = [this](int index) {
        sampleDark_ = index == 1;
        refreshPreviews();
    };
    bind(sample, "sample-appearance");
    auto* preview = b.place(new ClothPreview(b.theme, b.page),
                            {card.x() + kPadding, card.y() + 70, inner, 320});
    previews_.push_back(preview);
}

std::vector<ApplicationChoice> SettingsWindowController::loadApplications() {
    auto iconFor = [this](const std::string& id, std::int32_t process, std::uint32_t window) {
        auto cached = iconCache_.find(id);
        if (cached != iconCache_.end() && cached->second)
            return cached->second;
        auto icon = services_.icons.icon(process, id, window);
        iconCache_[id] = icon;
        return icon;
    };
    std::vector<ApplicationChoice> choices;
    std::set<std::string, std::less<>> listed;
    if (services_.runningApplications)
        for (const auto& app : services_.runningApplications()) {
            if (app.identifier.empty() || !listed.insert(app.identifier).second)
                continue;
            choices.push_back({app.identifier, app.name.empty() ? app.identifier : app.name,
                               iconFor(app.identifier, app.processID, app.windowID)});
        }
    std::set<std::string, std::less<>> configured = settings_.disabledApps;
    for (const auto& [id, variants] : settings_.appVariants)
        configured.insert(id);
    for (const auto& id : configured) {
        if (id.empty() || !listed.insert(id).second)
            continue;
        std::string name = services_.applicationName ? services_.applicationName(id) : "";
        choices.push_back({id, name.empty() ? id : name, iconFor(id, 0, 0)});
    }
    std::sort(choices.begin(), choices.end(), [](const auto& a, const auto& b) {
        const std::string la = lowercase(a.name), lb = lowercase(b.name);
        return la != lb ? la < lb : a.identifier < b.identifier;
    });
    return choices;
}

void SettingsWindowController::buildApps(Builder& b) {
    buildHeader(b, "Apps", "Choose which apps get dressed, and the cloth each one wears.");
    const int x = kContentX;
    const int w = kContentWidth;

    QRect card = b.card({x, kCardTop, w, 84}, "Outfit to style",
                        "App choices take priority over the cloth selected in Outfits.", 220);
    std::vector<std::string> outfits;
    for (Outfit outfit : Outfit::allCases())
        outfits.emplace_back(outfit.title());
    auto* outfit = b.popup(outfits, static_cast<int>(browsingOutfit_.index()),
                           {card.right() - kPadding - 200 + 1, card.y() + 27, 200, kControlHeight});
    QObject::connect(outfit, &QComboBox::currentIndexChanged, [this](int index) {
        if (index < 0)
            return;
        // Only what the pane shows: the pinned outfit stays as it is.
        browsingOutfit_ = Outfit::allCases()[static_cast<std::size_t>(index)];
        rebuild();
    });
    bind(outfit, "apps-outfit");

    applications_ = loadApplications();
    card =
        b.card({x, card.bottom() + 1 + kCardGap, w, kHeight - 24 - (card.bottom() + 1 + kCardGap)},
               "Your apps", "Running apps, and apps you have set up before.");
    if (applications_.empty()) {
        b.text("Open an app to choose its window outfit.", TextRole::body,
               {card.x() + kPadding, card.y() + 80, w - 2 * kPadding, 60}, true, true,
               Qt::AlignCenter);
        return;
    }
    buildApplicationList(b, {card.x() + 8, card.y() + 70, w - 16, card.height() - 78}, 48);
}

void SettingsWindowController::buildApplicationList(Builder& b, const QRect& listFrame,
                                                    int rowHeight) {
    const SettingsTheme& t = b.theme;
    auto* area = listArea(b.place(new QScrollArea(b.page), listFrame), t);
    const int rowsHeight = static_cast<int>(applications_.size()) * rowHeight;
    const bool scrolls = rowsHeight > listFrame.height();
    auto* rows = new QWidget;
    rows->setAutoFillBackground(false);
    rows->resize(listFrame.width() - (scrolls ? 14 : 0), rowsHeight);
    const int rowWidth = rows->width();

    std::vector<std::string> cloths{"Follow outfit preference"};
    for (ClothVariant variant : ClothVariant::allCases())
        cloths.emplace_back(variant.title(browsingOutfit_));

    for (std::size_t i = 0; i < applications_.size(); ++i) {
        const ApplicationChoice& app = applications_[i];
        const std::string id = app.identifier;
        const int y = static_cast<int>(i) * rowHeight;
        if (i > 0) {
            auto* line = b.place(new QWidget(rows), {12, y, rowWidth - 24, 1});
            line->setAutoFillBackground(true);
            QPalette palette = line->palette();
            palette.setColor(QPalette::Window, t.cardBorder);
            line->setPalette(palette);
        }
        auto* icon = b.place(new QLabel(rows), {12, y + (rowHeight - 28) / 2, 28, 28});
        if (app.icon) {
            QImage image = toQImage(*app.icon);
            if (!image.isNull())
                icon->setPixmap(QPixmap::fromImage(
                    image.scaled(28, 28, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        } else {
            icon->setPixmap([&] {
                QPixmap placeholder(28, 28);
                placeholder.fill(Qt::transparent);
                QPainter painter(&placeholder);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setPen(Qt::NoPen);
                painter.setBrush(t.track);
                painter.drawRoundedRect(QRectF(0, 0, 28, 28), 7, 7);
                return placeholder;
            }());
        }
        auto* name = b.text(app.name, TextRole::body, {52, y, rowWidth - 52 - 420, rowHeight},
                            false, false, Qt::AlignLeft | Qt::AlignVCenter, rows);
        name->setText(
            QFontMetrics(name->font()).elidedText(q(app.name), Qt::ElideRight, name->width()));
        name->setToolTip(q(app.name));
        auto* enabled = b.checkbox("Dress windows", !settings_.disabledApps.contains(id),
                                   {rowWidth - 400, y + (rowHeight - 24) / 2, 160, 24}, rows);
        QObject::connect(enabled, &QCheckBox::toggled, [this, id](bool on) {
            if (on)
                settings_.disabledApps.erase(id);
            else
                settings_.disabledApps.insert(id);
            changed("application enabled", true);
        });
        bind(enabled, "app-" + id);
        const auto chosen = settings_.variantOverride(id, browsingOutfit_);
        auto* pattern = b.popup(
            cloths, chosen ? chosen->rawValue() + 1 : 0,
            {rowWidth - 228, y + (rowHeight - kControlHeight) / 2, 216, kControlHeight}, rows);
        QObject::connect(pattern, &QComboBox::currentIndexChanged, [this, id](int index) {
            if (index < 0)
                return;
            settings_.setVariant(index == 0 ? std::nullopt : ClothVariant::parse(index - 1), id,
                                 browsingOutfit_);
            changed("application cloth", true);
        });
        bind(pattern, "app-pattern-" + id);
    }
    area->setWidget(rows);
}

void SettingsWindowController::buildGeneral(Builder& b) {
    buildHeader(b, "General", "Pause outfits, launch at login, permissions and setup.");
    const int x = kContentX;
    const int w = kContentWidth;
    const int inner = w - 2 * kPadding;

    QRect card = b.card({x, kCardTop, w, 92}, "Window outfits",
                        "While paused, no window is dressed; your choices stay as they are.", 240);
    auto* pause = b.checkbox("Pause window outfits", settings_.paused, {0, 0, 0, 24});
    pause->move(card.right() + 1 - kPadding - pause->sizeHint().width(), card.y() + 33);
    pause->resize(pause->sizeHint().width(), 24);
    QObject::connect(pause, &QCheckBox::toggled, [this](bool on) {
        settings_.paused = on;
        changed("pause outfits", true);
    });
    bind(pause, "pause");

    const bool approval = lowercase(loginStatus_).find("approval") != std::string::npos;
    card = b.card({x, card.bottom() + 1 + kCardGap, w, 92}, "Launch at login: " + loginStatus_,
                  approval ? "Approve launch at login in System Settings."
                           : "Garbello can open when you log in, so your windows are ready.",
                  240);
    auto* login = b.button(loginActionTitle(loginStatus_),
                           {card.right() - kPadding - 220 + 1, card.y() + 30, 220, kControlHeight});
    QObject::connect(login, &QPushButton::clicked, [this] {
        if (onLogin)
            onLogin();
    });
    bind(login, "login");

    card = b.card({x, card.bottom() + 1 + kCardGap, w, accessibilityGranted_ ? 92 : 108},
                  accessibilityGranted_ ? "Permission enabled" : "Accessibility");
    if (accessibilityGranted_) {
        b.text("Accessibility is enabled. Full-screen tracking is ready.", TextRole::body,
               {card.x() + kPadding, card.y() + 44, inner, 40}, true, true,
               Qt::AlignLeft | Qt::AlignTop);
    } else {
        b.text("Not enabled \u00B7 optional. Accessibility improves full-screen detection. "
               "Basic outfits work without it.",
               TextRole::body, {card.x() + kPadding, card.y() + 44, inner - 250, 44}, true, true,
               Qt::AlignLeft | Qt::AlignTop);
        auto* open = b.button("Open Accessibility settings", {card.right() - kPadding - 220 + 1,
                                                              card.y() + 44, 220, kControlHeight});
        QObject::connect(open, &QPushButton::clicked, [this] {
            if (onAccessibility)
                onAccessibility();
        });
        bind(open, "accessibility");
    }

    card = b.card({x, card.bottom() + 1 + kCardGap, w, 92}, "Guided setup",
                  "Walk through the first-run steps again.", 180);
    auto* rerun = b.button("Run setup again",
                           {card.right() - kPadding - 160 + 1, card.y() + 30, 160, kControlHeight});
    QObject::connect(rerun, &QPushButton::clicked, [this] { showOnboarding(); });
    bind(rerun, "rerun-setup");

    auto* quit =
        b.button("Quit Garbello", {x + w - 160, card.bottom() + 1 + kCardGap, 160, kControlHeight});
    QObject::connect(quit, &QPushButton::clicked, [this] {
        if (onQuit)
            onQuit();
    });
    bind(quit, "quit");
}

void SettingsWindowController::buildUpdates(Builder& b) {
    buildHeader(b, "Updates", "Every download is checked before it replaces this copy.");
    const int x = kContentX;
    const int w = kContentWidth;
    const int inner = w - 2 * kPadding;

    QRect card = b.card({x, kCardTop, w, update_.progress ? 184 : 160},
                        "Garbello " + std::string(UpdateVersion::current),
                        "Last checked: " + lastChecked(settings_.updaterV1.lastChecked), 230);
    auto* check =
        b.button(update_.canOpenDownload ? "Open download in Finder" : "Check for Updates...",
                 {card.right() - kPadding - 210 + 1, card.y() + 18, 210, kControlHeight});
    check->setEnabled(!update_.busy);
    QObject::connect(check, &QPushButton::clicked, [this] {
        if (update_.canOpenDownload) {
            if (onOpenDownload)
                onOpenDownload();
        } else if (onCheckUpdates) {
            onCheckUpdates();
        }
    });
    bind(check, "update-check");
    auto* automatic = b.checkbox("Check for updates automatically", settings_.updaterV1.automatic,
                                 {card.x() + kPadding - 2, card.y() + 72, 320, 24});
    QObject::connect(automatic, &QCheckBox::toggled, [this](bool on) {
        settings_.updaterV1.automatic = on;
        changed("automatic updates", true);
    });
    bind(automatic, "updates-automatic");
    b.text(update_.status, TextRole::body, {card.x() + kPadding, card.y() + 108, inner, 40}, true,
           true, Qt::AlignLeft | Qt::AlignTop);
    if (update_.progress) {
        auto* progress =
            b.place(new QProgressBar(b.page), {card.x() + kPadding, card.y() + 152, inner, 10});
        progress->setRange(0, 1000);
        progress->setValue(
            static_cast<int>(std::lround(std::clamp(*update_.progress, 0.0, 1.0) * 1000)));
        progress->setTextVisible(false);
    }

    if (!update_.release)
        return;
    // The card grows with the notes, up to a few lines.
    const QString notes = q(update_.release->releaseNotes);
    const int notesHeight =
        std::min(130, QFontMetrics(settingsFont(TextRole::body))
                          .boundingRect(QRect(0, 0, inner, 1000), Qt::TextWordWrap, notes)
                          .height());
    const int buttons = 48 + notesHeight + 18;
    card = b.card({x, card.bottom() + 1 + kCardGap, w, buttons + 32 + kPadding},
                  "Version " + update_.release->version + " is available");
    b.text(update_.release->releaseNotes, TextRole::body,
           {card.x() + kPadding, card.y() + 48, inner, notesHeight}, true, true,
           Qt::AlignLeft | Qt::AlignTop);
    auto* install = b.primary("Update now", {card.x() + kPadding, card.y() + buttons, 140, 32});
    install->setEnabled(!update_.busy);
    QObject::connect(install, &QPushButton::clicked, [this] {
        if (onInstallUpdate)
            onInstallUpdate();
    });
    bind(install, "update-install");
    auto* skip = b.button("Skip this version",
                          {card.x() + kPadding + 152, card.y() + buttons + 1, 160, kControlHeight});
    skip->setEnabled(!update_.busy);
    QObject::connect(skip, &QPushButton::clicked, [this] {
        if (onSkipUpdate)
            onSkipUpdate();
    });
    bind(skip, "update-skip");
}

void SettingsWindowController::finishSetup() {
    newSearchToken();
    settings_.onboardingCompleted = true;
    changed("finished setup", false);
    setup_.reset();
    pane_ = SettingsPane::outfits;
    rebuild();
}

void SettingsWindowController::goToStep(SetupStep step) {
    // A city search still in flight belongs to the step being left.
    newSearchToken();
    setup_ = step;
    rebuild();
}

void SettingsWindowController::buildSetup(Builder& b) {
    buildSetupSidebar(b);
    const int step = static_cast<int>(*setup_);
    b.text(std::to_string(step + 1) + " of " + std::to_string(kSetupStepCount), TextRole::caption,
           {kContentX, 30, kContentWidth, 18}, true)
        ->setObjectName("setup-counter");
    switch (*setup_) {
    case SetupStep::welcome:
        buildWelcomeStep(b);
        break;
    case SetupStep::location:
        buildLocationStep(b);
        break;
    case SetupStep::accessibility:
        buildAccessibilityStep(b);
        break;
    case SetupStep::apps:
        buildAppsStep(b);
        break;
    case SetupStep::login:
        buildLoginStep(b);
        break;
    case SetupStep::finish:
        buildFinishStep(b);
        break;
    }

    auto* back = b.button("Back", {kContentX, kHeight - 60, 100, kControlHeight});
    back->setEnabled(*setup_ != SetupStep::welcome);
    QObject::connect(back, &QPushButton::clicked, [this] {
        if (setup_ && *setup_ != SetupStep::welcome)
            goToStep(static_cast<SetupStep>(static_cast<int>(*setup_) - 1));
    });
    bind(back, "setup-back");
    auto* skip = b.button("Skip setup", {kContentX + 112, kHeight - 60, 120, kControlHeight});
    QObject::connect(skip, &QPushButton::clicked, [this] { finishSetup(); });
    bind(skip, "setup-skip");
    const bool last = *setup_ == SetupStep::finish;
    auto* next =
        b.primary(last ? "Finish setup" : "Continue", {kWidth - 24 - 150, kHeight - 61, 150, 32});
    next->setAccessibleName(last ? "Finish setup and open Settings"
                                 : "Continue to next setup step");
    QObject::connect(next, &QPushButton::clicked, [this] {
        // Nothing on any step is required to go on.
        if (!setup_ || *setup_ == SetupStep::finish)
            finishSetup();
        else
            goToStep(static_cast<SetupStep>(static_cast<int>(*setup_) + 1));
    });
    bind(next, "setup-next");
}

void SettingsWindowController::buildSetupSidebar(Builder& b) {
    const SettingsTheme& t = b.theme;
    b.panel(SettingsPanel::Kind::sidebar, {16, 16, 208, kHeight - 32});
    b.place(new SymbolView(t.accent, b.page), {36, 36, 30, 30});
    b.text("LET'S GET YOU SETTLED", TextRole::caption, {36, 84, 176, 16}, true);
    b.text("A garbello for\nyour windows.", TextRole::appName, {36, 104, 176, 56}, false, true,
           Qt::AlignLeft | Qt::AlignTop);
    static constexpr const char* titles[] = {"Welcome",    "Weather",         "Full screen",
                                             "Your style", "Launch at login", "All set"};
    const int active = static_cast<int>(*setup_);
    int y = 186;
    for (int i = 0; i < kSetupStepCount; ++i) {
        const auto state = i < active    ? SetupBadge::State::done
                           : i == active ? SetupBadge::State::active
                                         : SetupBadge::State::ahead;
        auto* badge =
            b.place(new SetupBadge(i + 1, state, t.badge, t, b.page), {36, y + 6, 24, 24});
        badge->setObjectName(QString("setup-badge-%1").arg(i + 1));
        QLabel* title = b.text(titles[i], TextRole::sidebarEntry, {70, y, 140, 36}, i != active);
        if (i == active) {
            QFont bold = title->font();
            bold.setWeight(QFont::Bold);
            title->setFont(bold);
        }
        y += 46;
    }
    b.text("Make yourself at home.", TextRole::small, {36, kHeight - 62, 176, 28}, true);
}

void SettingsWindowController::setupTitle(Builder& b, const std::string& title,
                                          const std::string& description) {
    b.text(title, TextRole::header, {kContentX, 50, kContentWidth, 36});
    b.text(description, TextRole::body, {kContentX, 90, kContentWidth, 40}, true, true,
           Qt::AlignLeft | Qt::AlignTop);
}

void SettingsWindowController::buildWelcomeStep(Builder& b) {
    setupTitle(b, "A little outside, brought in.",
               "Your windows wear original cloth borders that change with the weather.\n"
               "A warm knit for cool days. A rain jacket when the clouds roll in.");
    const int x = kContentX;
    const int w = kContentWidth;
    auto* preview = b.place(new ClothPreview(b.theme, b.page), {x, kStepTop, w, 310});
    previews_.push_back(preview);
    b.text("Live sample window with " + std::string(browsingOutfit_.title()) + " cloth border",
           TextRole::small, {x, kStepTop + 316, w, 18}, true, false, Qt::AlignCenter);

    struct Feature {
        const char* title;
        const char* detail;
    };
    static constexpr Feature features[] = {
        {"Dressed for today", "A local forecast picks the outfit."},
        {"Entirely your style", "Pick the cloth, fit and apps."},
        {"Find us in your menu bar.", nullptr},
    };
    const int columnWidth = (w - 2 * kCardGap) / 3;
    for (int i = 0; i < 3; ++i) {
        const QRect card{x + i * (columnWidth + kCardGap), kStepTop + 352, columnWidth, 96};
        b.panel(SettingsPanel::Kind::card, card);
        b.place(new SymbolView(b.theme.accent, b.page),
                {card.x() + kPadding, card.y() + 18, 22, 22});
        const int textX = card.x() + kPadding + 32;
        const int textWidth = card.right() - kPadding - textX;
        if (features[i].detail) {
            b.text(features[i].title, TextRole::cardTitle, {textX, card.y() + 18, textWidth, 22});
            b.text(features[i].detail, TextRole::small, {textX, card.y() + 44, textWidth, 36}, true,
                   true, Qt::AlignLeft | Qt::AlignTop);
        } else {
            b.text(features[i].title, TextRole::cardTitle, {textX, card.y() + 18, textWidth, 48},
                   false, true, Qt::AlignLeft | Qt::AlignTop);
        }
    }
}

void SettingsWindowController::buildLocationStep(Builder& b) {
    setupTitle(b, "What's it like outside?",
               "Choose a city for the forecast, or use your current location.\n"
               "You can keep going without a location and choose an outfit yourself.");
    const int x = kContentX;
    const int w = kContentWidth;
    const int inner = w - 2 * kPadding;

    const QRect card = b.card({x, kStepTop, w, 272}, "Weather location", {}, 200);
    b.text(settings_.place ? settings_.place->name : "Choose a place to get started",
           TextRole::body, {card.x() + kPadding, card.y() + 40, inner - 200, 20},
           !settings_.place.has_value());
    auto* current = b.button("Use current location", {card.right() - kPadding - 180 + 1,
                                                      card.y() + 16, 180, kControlHeight});
    QObject::connect(current, &QPushButton::clicked, [this] {
        if (onCurrentLocation)
            onCurrentLocation();
    });
    bind(current, "current-location");
    b.text("City search sends the city name to Open-Meteo. Current location uses macOS "
           "location access; your location is used for the forecast.",
           TextRole::small, {card.x() + kPadding, card.y() + 70, inner, 34}, true, true,
           Qt::AlignLeft | Qt::AlignTop);
    // Room for two whole result rows; the note above already says where
    // the query goes.
    buildCitySearch(b, card.x() + kPadding, card.y() + 114, inner, 76, {});

    buildForecast(b, {x, card.bottom() + 1 + kCardGap, w, 190}, 100);
}

void SettingsWindowController::buildAccessibilityStep(Builder& b) {
    setupTitle(b, "A better fit for full screen.",
               "Optional Accessibility access helps detect full-screen windows,\n"
               "so their borders can step out of the way.");
    const int x = kContentX;
    const int w = kContentWidth;
    const int inner = w - 2 * kPadding;

    QRect card = b.card({x, kStepTop, w, 104}, "Your choice, always");
    b.text("Window outfits work without this permission.\n"
           "Window titles and content are never collected.",
           TextRole::body, {card.x() + kPadding, card.y() + 44, inner, 40}, true, true,
           Qt::AlignLeft | Qt::AlignTop);

    if (accessibilityGranted_) {
        card = b.card({x, card.bottom() + 1 + kCardGap, w, 104}, "Accessibility enabled");
        b.text("Accessibility is enabled. You can change it later in System Settings.\n"
               "Your preferences are always available in General settings.",
               TextRole::body, {card.x() + kPadding, card.y() + 44, inner, 40}, true, true,
               Qt::AlignLeft | Qt::AlignTop);
        return;
    }
    card = b.card({x, card.bottom() + 1 + kCardGap, w, 104}, "Full-screen detection");
    auto* open = b.button("Open Accessibility settings",
                          {card.x() + kPadding, card.y() + 46, 230, kControlHeight});
    QObject::connect(open, &QPushButton::clicked, [this] {
        if (onAccessibility)
            onAccessibility();
    });
    bind(open, "accessibility");
    b.text("If you enable it in System Settings, we'll notice when you return.\n"
           "You can also do this later in General settings.",
           TextRole::small, {card.x() + kPadding + 246, card.y() + 44, inner - 246, 40}, true, true,
           Qt::AlignLeft | Qt::AlignTop);
}

void SettingsWindowController::buildAppsStep(Builder& b) {
    setupTitle(b, "Make it feel like you.",
               "Let the weather choose, or settle into a favourite outfit.\n"
               "Choose which apps get dressed. You can change everything later.");
    const int x = kContentX;
    const int w = kContentWidth;

    const QRect card{x, kStepTop, w, 244};
    b.panel(SettingsPanel::Kind::card, card);
    const int left = card.x() + kPadding;
    constexpr int controls = 372;
    auto* mode = b.segmented({"Automatic \u00B7 follow weather", "Choose an outfit"},
                             settings_.manualOutfit ? 1 : 0,
                             {left, card.y() + 18, controls, kControlHeight});
    mode->onSelect = [this](int index) {
        if (index == 0)
            settings_.manualOutfit.reset();
        else
            settings_.manualOutfit = browsingOutfit_;
        changed("outfit mode", true);
    };
    bind(mode, "outfit-mode");
    b.text("Choose your favourite style", TextRole::body,
           {left, card.y() + 64, 190, kControlHeight});
    buildOutfitPicker(b, {left + controls - 170, card.y() + 64, 170, kControlHeight},
                      "setup-outfit");
    buildBorderWidth(b, {left, card.y() + 110, controls, 20}, {left, card.y() + 132, controls, 22});
    b.text("FAVOURITE CLOTH", TextRole::caption, {left, card.y() + 176, controls, 16}, true);
    std::vector<std::string> cloths{"Different pattern per window"};
    for (ClothVariant variant : ClothVariant::allCases())
        cloths.emplace_back(variant.title(browsingOutfit_));
    const auto preferred = settings_.preferredVariant(browsingOutfit_);
    auto* pattern = b.popup(cloths, preferred ? preferred->rawValue() + 1 : 0,
                            {left, card.y() + 198, controls, kControlHeight});
    QObject::connect(pattern, &QComboBox::currentIndexChanged, [this](int index) {
        if (index < 0)
            return;
        settings_.setPreferredVariant(index == 0 ? std::nullopt : ClothVariant::parse(index - 1),
                                      browsingOutfit_);
        changed("setup preferred cloth", false);
    });
    bind(pattern, "preferred-pattern");
    const int previewX = left + controls + 20;
    auto* preview =
        b.place(new ClothPreview(b.theme, b.page),
                {previewX, card.y() + 14, card.right() - 13 - previewX, card.height() - 28});
    previews_.push_back(preview);

    const QRect apps{x, card.bottom() + 1 + kCardGap, w, 700 - 16 - (card.bottom() + 1 + kCardGap)};
    b.panel(SettingsPanel::Kind::card, apps);
    b.text(previewMode_ ? "SAMPLE APPS" : "YOUR APPS", TextRole::caption,
           {apps.x() + kPadding, apps.y() + 14, w - 2 * kPadding, 16}, true);
    applications_ = loadApplications();
    if (applications_.empty()) {
        b.text("Open an app to choose its window outfit.", TextRole::body,
               {apps.x() + kPadding, apps.y() + 40, w - 2 * kPadding, apps.height() - 56}, true,
               true, Qt::AlignCenter);
        return;
    }
    buildApplicationList(b, {apps.x() + 8, apps.y() + 36, w - 16, apps.height() - 42}, 40);
}

void SettingsWindowController::buildLoginStep(Builder& b) {
    setupTitle(b, "A warm welcome, every day.",
               "Garbello can open when you log in to your Mac.\n"
               "Your windows will be ready without an extra click.");
    const int x = kContentX;
    const int w = kContentWidth;
    const int inner = w - 2 * kPadding;
    const bool approval = lowercase(loginStatus_).find("approval") != std::string::npos;

    const QRect card =
        b.card({x, kStepTop, w, approval ? 152 : 126}, "Ready when you are", {}, 240);
    b.text("Launch at login is " + loginStatus_, TextRole::body,
           {card.x() + kPadding, card.y() + 42, inner - 240, 20}, true);
    auto* login = b.button(loginActionTitle(loginStatus_),
                           {card.right() - kPadding - 220 + 1, card.y() + 16, 220, kControlHeight});
    QObject::connect(login, &QPushButton::clicked, [this] {
        if (onLogin)
            onLogin();
    });
    bind(login, "login");
    int y = card.y() + 76;
    if (approval) {
        b.text("Approve launch at login in System Settings.", TextRole::body,
               {card.x() + kPadding, y, inner, 20});
        y += 26;
    }
    b.text("You can change this later in General settings.\n"
           "macOS may ask you to approve the login item in System Settings.",
           TextRole::small, {card.x() + kPadding, y, inner, 40}, true, true,
           Qt::AlignLeft | Qt::AlignTop);
}

void SettingsWindowController::buildFinishStep(Builder& b) {
    setupTitle(b, "Looking good. You're ready.",
               "Find the little shirt in your menu bar for Settings, a quick pause,\n"
               "or a fresh forecast. Make yourself at home.");
    const int x = kContentX;
    const int w = kContentWidth;
    auto* preview = b.place(new ClothPreview(b.theme, b.page), {x, kStepTop, w, 300});
    previews_.push_back(preview);

    std::string title;
    std::string detail;
    if (settings_.manualOutfit) {
        title = "Always wearing " + std::string(settings_.manualOutfit->title());
        detail = "Your favourite outfit is ready, with or without a forecast.";
    } else if (settings_.place) {
        title = "Your outfit follows the weather";
    } else {
        title = "Choose your first outfit";
        detail = "Choose a city for weather, or a favourite outfit in Settings.";
    }
    detail +=
        (detail.empty() ? "" : "\n") + std::string("Run setup again any time in General settings.");
    const bool twoLines = detail.find('\n') != std::string::npos;
    const QRect card = b.card({x, kStepTop + 300 + kCardGap, w, twoLines ? 108 : 90}, title);
    b.text(detail, TextRole::body, {card.x() + kPadding, card.y() + 46, w - 2 * kPadding, 40}, true,
           true, Qt::AlignLeft | Qt::AlignTop);
}

} // namespace garbello
