#include "protocol.h"

#include "diagnostics.h"
#include "headless_error.h"
#include "model/outfit_rules.h"
#include "sample_render.h"
#include "settings_screens.h"
#include "write_json.h"

#include <array>
#include <chrono>
#include <cmath>
#include <istream>
#include <limits>

namespace garbello {
namespace {

using Operation = Json (*)(const Json& request, const ProtocolWork& work);

// Null when the key is absent, so "present" tests read naturally.
const Json* member(const Json& request, std::string_view key) {
    auto found = request.find(key);
    return found == request.end() ? nullptr : &*found;
}

// The string under `key`, or null when it is absent or not a string.
const std::string* stringMember(const Json& request, std::string_view key) {
    const Json* value = member(request, key);
    return value && value->is_string() ? value->get_ptr<const std::string*>() : nullptr;
}

// A JSON number other than a boolean, or `fallback` when absent or anything else.
double numberOr(const Json& request, std::string_view key, double fallback) {
    const Json* value = member(request, key);
    return value && value->is_number() ? value->get<double>() : fallback;
}

bool isAbsolutePath(const std::string* path) {
    return path && path->starts_with('/');
}

Json diagnosticsOperation(const Json&, const ProtocolWork&) {
    return diagnostics();
}

// The synthetic readings stand in the middle of a month of a fixed year, at
// noon UTC, so every month's season is unambiguous.
constexpr int kSyntheticYear = 2026;
constexpr unsigned kSyntheticDay = 15;
constexpr double kSyntheticLatitude = 45.0;
constexpr double kMaximumPercent = 100;

Date middleOfMonth(unsigned month) {
    using namespace std::chrono;
    return sys_days{year{kSyntheticYear} / month / kSyntheticDay} + hours(12);
}

// 1 when absent or not an integer; an integer outside 1...12 fails.
unsigned requestedMonth(const Json& request) {
    const Json* value = member(request, "month");
    if (!value || !value->is_number_integer())
        return 1;
    auto month = json::integerValue(*value);
    if (!month || *month < 1 || *month > 12)
        throw HeadlessError("month must be 1...12");
    return static_cast<unsigned>(*month);
}

Json outfitOperation(const Json& request, const ProtocolWork&) {
    const Json* temperature = member(request, "temperature");
    const Json* code = member(request, "weatherCode");
    auto weatherCode = code ? json::integerValue(*code) : std::nullopt;
    if (!temperature || !temperature->is_number() || !weatherCode ||
        !std::isfinite(temperature->get<double>()))
        throw HeadlessError("outfit requires temperature and weatherCode");

    if (const Json* probability = member(request, "precipitationProbability")) {
        if (!probability->is_number() || !(probability->get<double>() >= 0) ||
            !(probability->get<double>() <= kMaximumPercent))
            throw HeadlessError("precipitationProbability must be between 0 and 100");
    }
    Date date = middleOfMonth(requestedMonth(request));

    WeatherSnapshot weather;
    weather.temperature = temperature->get<double>();
    weather.apparentTemperature = numberOr(request, "apparentTemperature", weather.temperature);
    weather.precipitation = numberOr(request, "precipitation", 0);
    weather.rain = numberOr(request, "rain", 0);
    weather.snowfall = numberOr(request, "snowfall", 0);
    weather.windSpeed = numberOr(request, "windSpeed", 0);
    weather.weatherCode = *weatherCode;
    weather.precipitationProbability = numberOr(request, "precipitationProbability", 0);
    weather.uvIndex = numberOr(request, "uvIndex", 0);
    weather.observedAt = date;
    weather.latitude = numberOr(request, "latitude", kSyntheticLatitude);
    weather.timezone = "UTC";

    std::optional<Outfit> override;
    if (const std::string* name = stringMember(request, "override")) {
        override = Outfit::parse(*name);
        if (!override)
            throw HeadlessError("Unknown outfit override: " + *name);
    }
    OutfitDecision decision =
        OutfitRules::choose(weather, date, override, TemperatureUnit::celsius);
    return {{"outfit", decision.outfit.rawValue()}, {"reason", std::move(decision.reason)}};
}

std::optional<std::uint32_t> windowNumber(const Json* value) {
    if (!value || !value->is_number_integer())
        return std::nullopt;
    auto number = json::integerValue(*value);
    if (!number || *number < 0 || *number > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(*number);
}

Json variantOperation(const Json& request, const ProtocolWork&) {
    const std::string* app = stringMember(request, "app");
    auto windowID = windowNumber(member(request, "windowID"));
    const std::string* outfitName = stringMember(request, "outfit");
    auto outfit = outfitName ? Outfit::parse(*outfitName) : std::nullopt;
    if (!app || app->empty() || !windowID || !outfit)
        throw HeadlessError("variant requires app, UInt32 windowID and outfit");

    ClothVariant automatic = ClothVariant::automatic(*app, *windowID);
    const Json* override = member(request, "override");
    ClothVariant chosen = override ? parseVariant(*override) : automatic;
    return {{"outfit", outfit->rawValue()},
            {"variant", chosen.rawValue()},
            {"name", chosen.title(*outfit)},
            {"automatic", automatic.rawValue()}};
}

Json renderOperation(const Json& request, const ProtocolWork& work) {
    const std::string* outfit = stringMember(request, "outfit");
    const std::string* output = stringMember(request, "output");
    if (!outfit || !output)
        throw HeadlessError("render requires outfit and absolute output");
    const Json* variant = member(request, "variant");
    return work.renderSample(
        *outfit, *output, variant ? parseVariant(*variant) : ClothVariant(ClothVariant::classic));
}

Json renderUIOperation(const Json& request, const ProtocolWork& work) {
    const std::string* output = stringMember(request, "output");
    if (!isAbsolutePath(output))
        throw HeadlessError("renderUI requires absolute output directory");
    Json files = Json::array();
    for (const auto& path : work.renderSettingsSheets(*output))
        files.push_back(path.string());
    return {{"files", std::move(files)}, {"headless", true}};
}

Json renderUIScreenOperation(const Json& request, const ProtocolWork& work) {
    const std::string* screen = stringMember(request, "screen");
    const Json* dark = member(request, "dark");
    const std::string* output = stringMember(request, "output");
    if (!screen || !dark || !dark->is_boolean() || !isAbsolutePath(output))
        throw HeadlessError("renderUIScreen requires screen, dark boolean, and absolute output");
    work.renderSettingsScreen(*screen, dark->get<bool>(), *output);
    return {{"file", *output}, {"headless", true}};
}

Json testUIOperation(const Json&, const ProtocolWork& work) {
    return {{"checks", work.verifySettings()}, {"headless", true}};
}

struct NamedOperation {
    std::string_view name;
    Operation run;
};

// Names are exact and case-sensitive.
constexpr std::array kOperations{
    NamedOperation{"diagnostics", diagnosticsOperation},
    NamedOperation{"outfit", outfitOperation},
    NamedOperation{"variant", variantOperation},
    NamedOperation{"render", renderOperation},
    NamedOperation{"renderUI", renderUIOperation},
    NamedOperation{"renderUIScreen", renderUIScreenOperation},
    NamedOperation{"testUI", testUIOperation},
};

std::string errorLine(std::string_view description) {
    // Parser descriptions quote the offending input, which need not be UTF-8.
    return jsonLine({{"error", validUtf8(description)}});
}

} // namespace

const ProtocolWork& productionWork() {
    static const ProtocolWork work{renderSample, settings_ui::renderScreen,
                                   settings_ui::renderSheets, settings_ui::verifyInteractions};
    return work;
}

ClothVariant parseVariant(const Json& value) {
    std::optional<ClothVariant> variant;
    if (auto integer = json::integerValue(value)) {
        variant = ClothVariant::parse(*integer);
    } else if (value.is_number_float()) {
        double number = value.get<double>();
        // Range first, so the conversion below is always defined.
        if (std::isfinite(number) && number == std::trunc(number) && number >= 0 &&
            number < static_cast<double>(ClothVariant::count))
            variant = ClothVariant::parse(static_cast<std::int64_t>(number));
    }
    if (!variant)
        throw HeadlessError("variant must be an integer from 0 to 9");
    return *variant;
}

Json perform(const Json& request, const ProtocolWork& work) {
    if (const std::string* name = stringMember(request, "operation")) {
        for (const NamedOperation& operation : kOperations)
            if (operation.name == *name)
                return operation.run(request, work);
    }
    throw HeadlessError("Unknown operation");
}

std::string answerLine(std::string_view line, const ProtocolWork& work) {
    try {
        Json request = json::parse(line);
        if (!request.is_object())
            throw HeadlessError("Expected a JSON object");
        return jsonLine(perform(request, work));
    } catch (const std::exception& error) {
        return errorLine(error.what());
    }
}

void serveRequests(std::istream& in, std::ostream& out) {
    std::string line;
    while (std::getline(in, line))
        writeLine(answerLine(line), out);
}

} // namespace garbello
