#include "support/log.h"

#include <systemd/sd-journal.h>

#include <algorithm>
#include <syslog.h>

namespace garbello {
namespace {

constexpr const char* kJournalIdentifier = "garbello";
constexpr const char* kSubsystem = "com.quillmoss.Garbello";

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<LogSink>& installedSink() {
    static std::shared_ptr<LogSink> sink = std::make_shared<JournalLogSink>();
    return sink;
}

std::shared_ptr<LogSink> currentSink() {
    std::lock_guard lock(sinkMutex());
    return installedSink();
}

int syslogPriority(LogLevel level) {
    switch (level) {
    case LogLevel::debug:
        return LOG_DEBUG;
    case LogLevel::info:
        return LOG_INFO;
    case LogLevel::error:
        return LOG_ERR;
    }
    return LOG_INFO;
}

} // namespace

void JournalLogSink::write(const LogRecord& record) {
    // Without a journal (containers, CI) sd_journal_send fails quietly, which
    // is what logging should do: never disturb the program's own output.
    sd_journal_send("MESSAGE=%s", record.message.c_str(), "PRIORITY=%d",
                    syslogPriority(record.level), "SYSLOG_IDENTIFIER=%s", kJournalIdentifier,
                    "GARBELLO_SUBSYSTEM=%s", kSubsystem, "GARBELLO_CATEGORY=%s",
                    record.category.c_str(), nullptr);
}

void CapturingLogSink::write(const LogRecord& record) {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
}

std::vector<LogRecord> CapturingLogSink::records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<LogRecord> CapturingLogSink::records(std::string_view category) const {
    std::lock_guard lock(mutex_);
    std::vector<LogRecord> matching;
    std::copy_if(records_.begin(), records_.end(), std::back_inserter(matching),
                 [&](const LogRecord& record) { return record.category == category; });
    return matching;
}

void CapturingLogSink::clear() {
    std::lock_guard lock(mutex_);
    records_.clear();
}

std::shared_ptr<LogSink> setLogSink(std::shared_ptr<LogSink> sink) {
    std::lock_guard lock(sinkMutex());
    auto previous = installedSink();
    installedSink() = sink ? std::move(sink) : std::make_shared<JournalLogSink>();
    return previous;
}

ScopedLogCapture::ScopedLogCapture()
    : sink_(std::make_shared<CapturingLogSink>()), previous_(setLogSink(sink_)) {}

ScopedLogCapture::~ScopedLogCapture() {
    setLogSink(previous_);
}

void Logger::write(LogLevel level, std::string_view message) const {
    currentSink()->write(LogRecord{std::string(category_), level, std::string(message)});
}

} // namespace garbello
