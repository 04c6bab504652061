#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace garbello {

enum class LogLevel { debug, info, error };

struct LogRecord {
    std::string category;
    LogLevel level = LogLevel::info;
    std::string message;

    bool operator==(const LogRecord&) const = default;
};

// Where log records go. Implementations must be safe to call from any thread.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(const LogRecord& record) = 0;
};

// Sends records to the systemd journal with the program's identifier,
// subsystem and category fields. The default sink.
class JournalLogSink final : public LogSink {
public:
    void write(const LogRecord& record) override;
};

// Keeps every record in memory so tests can assert on what was logged.
class CapturingLogSink final : public LogSink {
public:
    void write(const LogRecord& record) override;
    std::vector<LogRecord> records() const;
    std::vector<LogRecord> records(std::string_view category) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<LogRecord> records_;
};

// Replaces the process-wide sink; passing nullptr restores the journal.
// Returns the sink that was installed before.
std::shared_ptr<LogSink> setLogSink(std::shared_ptr<LogSink> sink);

// Installs a capturing sink for the lifetime of the object (tests).
class ScopedLogCapture {
public:
    ScopedLogCapture();
    ~ScopedLogCapture();
    ScopedLogCapture(const ScopedLogCapture&) = delete;
    ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

    CapturingLogSink& sink() { return *sink_; }

private:
    std::shared_ptr<CapturingLogSink> sink_;
    std::shared_ptr<LogSink> previous_;
};

// One logger per area of the program; cheap to copy, thread-safe.
class Logger {
public:
    explicit constexpr Logger(std::string_view category) : category_(category) {}

    void debug(std::string_view message) const { write(LogLevel::debug, message); }
    void info(std::string_view message) const { write(LogLevel::info, message); }
    void error(std::string_view message) const { write(LogLevel::error, message); }

    std::string_view category() const { return category_; }

private:
    void write(LogLevel level, std::string_view message) const;

    std::string_view category_;
};

namespace log {
inline constexpr Logger application{"application"};
inline constexpr Logger tracking{"tracking"};
inline constexpr Logger overlays{"overlays"};
inline constexpr Logger settings{"settings"};
inline constexpr Logger weather{"weather"};
inline constexpr Logger weatherParser{"weather-parser"};
inline constexpr Logger updater{"updater"};
} // namespace log

} // namespace garbello
