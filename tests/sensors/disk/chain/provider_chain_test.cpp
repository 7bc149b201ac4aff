#include "sensors/disk/chain/provider_chain.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/simulated/simulated_machine.h"
#include "support/machine.h"
#include "trace/trace.h"

namespace quartzmon::sensors::disk::provider {
namespace {

using enumeration::DiskIdentity;
using platform::simulated::SimulatedMachine;

// What a scripted provider does when the chain reaches it; by default it
// applies and fails.
struct Script {
    bool supported = true;
    std::expected<DiskHealthRecord, ProviderError> answer =
        std::unexpected(ProviderError{ProviderError::Kind::DeviceIoError, "no answer"});
};

Script unsupported() {
    return Script{false, {}};
}

Script fails(ProviderError::Kind kind, std::string message) {
    return Script{true, std::unexpected(ProviderError{kind, std::move(message)})};
}

Script answers(DiskHealthRecord record) {
    return Script{true, std::move(record)};
}

class ScriptedProvider final : public DiskProvider {
public:
    ScriptedProvider(std::string name, Script script)
        : name_(std::move(name)), script_(std::move(script)) {}

    std::string_view name() const override { return name_; }
    bool supports(const DiskIdentity&) const override {
        ++asked_;
        return script_.supported;
    }
    std::expected<DiskHealthRecord, ProviderError> query(const DiskIdentity&) const override {
        ++queried_;
        return script_.answer;
    }

    int asked() const { return asked_; }
    int queried() const { return queried_; }

private:
    std::string name_;
    Script script_;
    mutable int asked_ = 0;
    mutable int queried_ = 0;
};

DiskIdentity usb_disk() {
    DiskIdentity disk;
    disk.physical_drive = 2;
    disk.device_path = "\\\\.\\PhysicalDrive2";
    disk.drive_letters = {U'E', U'F'};
    disk.model = "Samsung Portable SSD T7";
    disk.serial_number = "S5SXNS0T123456";
    disk.firmware_revision = "0";
    disk.bus_type = "USB";
    disk.bus_type_code = 7;
    disk.vid = 0x04E8;
    disk.pid = 0x4001;
    disk.bridge_vendor = "ASMedia";
    disk.bridge_model = "ASM2362";
    disk.internal_protocol = "NVMe";
    return disk;
}

ProviderDiagnostic attempt(const std::string& name) {
    ProviderDiagnostic diagnostic;
    diagnostic.provider_name = name;
    diagnostic.result = "SUCCESS";
    return diagnostic;
}

// A provider's record: its own log lines and timestamp, which the chain may drop.
DiskHealthRecord reading(const std::string& provider_name, HealthStatus status,
                         std::optional<float> temperature,
                         std::vector<ProviderDiagnostic> attempts) {
    DiskHealthRecord record;
    record.physical_drive = 2;
    record.model = "as the provider saw it";
    record.provider_name = provider_name;
    record.health_status = status;
    record.temperature_celsius = temperature;
    record.diagnostic_log = {"the provider's own line"};
    record.provider_diagnostics = std::move(attempts);
    return record;
}

std::vector<std::string> provider_names(const std::vector<ProviderDiagnostic>& attempts) {
    std::vector<std::string> names;
    for (const auto& diagnostic : attempts) names.push_back(diagnostic.provider_name);
    return names;
}

class ProviderChain : public ::testing::Test {
protected:
    // Five providers named P1 to P5 as scripted; unscripted ones fail.
    void script(std::vector<Script> scripts) {
        for (std::size_t i = 0; i < 5; ++i) {
            auto provider = std::make_unique<ScriptedProvider>(
                "P" + std::to_string(i + 1), i < scripts.size() ? std::move(scripts[i]) : Script{});
            scripted_.push_back(provider.get());
            providers_.push_back(std::move(provider));
        }
    }

    DiskHealthRecord run() {
        trace::ScopedSink sink([this](const trace::Event& event) { events_.push_back(event); });
        return run_provider_chain(*machine_, providers_, disk_);
    }

    // The local clock reads 14:07:09: the chain time.
    std::unique_ptr<SimulatedMachine> machine_ = quartzmon::test_support::make_machine(
        R"({ "clock": { "local_time": "2024-05-14T14:07:09.500" } })");
    DiskIdentity disk_ = usb_disk();
    ProviderList providers_;
    std::vector<ScriptedProvider*> scripted_;
    std::vector<trace::Event> events_;
};

TEST_F(ProviderChain, FailureThenUnsupportedEndsExhausted) {
    script({fails(ProviderError::Kind::AccessDenied, "x"), unsupported(), unsupported(),
            unsupported(), unsupported()});

    const DiskHealthRecord record = run();

    EXPECT_EQ(record.diagnostic_log,
              (std::vector<std::string>{
                  "Starting acquisition for Drive #2: Samsung Portable SSD T7 [Bus: USB]",
                  "Provider [P1]: ATTEMPTING...",
                  "Provider [P1]: FAILED (Access Denied: x)",
                  "Provider [P2]: SKIPPED (Unsupported)",
                  "Provider [P3]: SKIPPED (Unsupported)",
                  "Provider [P4]: SKIPPED (Unsupported)",
                  "Provider [P5]: SKIPPED (Unsupported)",
                  "All providers failed. SMART/Temperature is Unavailable.",
              }));
    EXPECT_EQ(record.provider_name, "None (Exhausted)");
    EXPECT_EQ(record.health_status, HealthStatus::Unavailable);
    EXPECT_TRUE(record.provider_diagnostics.empty());
    EXPECT_EQ(record.timestamp, "14:07:09");
    for (int i = 1; i < 5; ++i) EXPECT_EQ(scripted_[i]->queried(), 0);
}

// The exhausted record carries the disk's identity and nothing read.
TEST_F(ProviderChain, ExhaustedRecordCopiesTheIdentity) {
    script({});

    const DiskHealthRecord record = run();

    EXPECT_EQ(record.physical_drive, 2u);
    EXPECT_EQ(record.drive_letters, (std::vector<char32_t>{U'E', U'F'}));
    EXPECT_EQ(record.model, "Samsung Portable SSD T7");
    EXPECT_EQ(record.serial_number, "S5SXNS0T123456");
    EXPECT_EQ(record.firmware_revision, "0");
    EXPECT_EQ(record.bus_type, "USB");
    EXPECT_EQ(record.vid, 0x04E8);
    EXPECT_EQ(record.pid, 0x4001);
    EXPECT_EQ(record.bridge_vendor, "ASMedia");
    EXPECT_EQ(record.internal_protocol, "NVMe");
    EXPECT_FALSE(record.temperature_celsius);
    EXPECT_TRUE(record.temperature_sensors.empty());
    EXPECT_FALSE(record.wear_percentage);
    EXPECT_FALSE(record.critical_warning);
    EXPECT_FALSE(record.raw_temperature);
}

TEST_F(ProviderChain, NoProvidersAtAll) {
    const DiskHealthRecord record = run();

    EXPECT_EQ(record.diagnostic_log,
              (std::vector<std::string>{
                  "Starting acquisition for Drive #2: Samsung Portable SSD T7 [Bus: USB]",
                  "All providers failed. SMART/Temperature is Unavailable.",
              }));
    EXPECT_EQ(record.provider_name, "None (Exhausted)");
}

TEST_F(ProviderChain, TemperatureAfterACandidateWinsAndKeepsBothAttempts) {
    script({unsupported(),
            answers(reading("Caution method", HealthStatus::Caution, std::nullopt,
                            {attempt("a"), attempt("b")})),
            answers(reading("Hot method", HealthStatus::Healthy, 36.0f, {attempt("c")}))});

    const DiskHealthRecord record = run();

    EXPECT_EQ(record.provider_name, "Hot method");
    EXPECT_EQ(record.health_status, HealthStatus::Healthy);
    EXPECT_EQ(record.temperature_celsius, 36.0f);
    EXPECT_EQ(provider_names(record.provider_diagnostics),
              (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(record.diagnostic_log,
              (std::vector<std::string>{
                  "Starting acquisition for Drive #2: Samsung Portable SSD T7 [Bus: USB]",
                  "Provider [P1]: SKIPPED (Unsupported)",
                  "Provider [P2]: ATTEMPTING...",
                  "Provider [P2]: SUCCESS (Status: 注意, Temp: N/A)",
                  "Provider [P3]: ATTEMPTING...",
                  "Provider [P3]: SUCCESS (Status: 正常, Temp: 36.0°C)",
              }));
    // The remaining providers are not asked at all.
    EXPECT_EQ(scripted_[3]->asked(), 0);
    EXPECT_EQ(scripted_[4]->asked(), 0);
}

TEST_F(ProviderChain, FirstAnswerWithTemperatureGivesThreeLines) {
    script({answers(reading("Device", HealthStatus::Healthy, 38.0f, {attempt("d")}))});

    const DiskHealthRecord record = run();

    EXPECT_EQ(record.diagnostic_log,
              (std::vector<std::string>{
                  "Starting acquisition for Drive #2: Samsung Portable SSD T7 [Bus: USB]",
                  "Provider [P1]: ATTEMPTING...",
                  "Provider [P1]: SUCCESS (Status: 正常, Temp: 38.0°C)",
              }));
    EXPECT_EQ(scripted_[1]->asked(), 0);
}

TEST_F(ProviderChain, FirstCandidateIsUsedWhenNoTemperatureComes) {
    script({{},
            answers(reading("SMART verdict", HealthStatus::Healthy, std::nullopt,
                            {attempt("healthy attempt")})),
            {},
            answers(reading("Later verdict", HealthStatus::Critical, std::nullopt,
                            {attempt("critical attempt")})),
            {}});

    const DiskHealthRecord record = run();

    EXPECT_EQ(record.provider_name, "SMART verdict");
    EXPECT_EQ(record.health_status, HealthStatus::Healthy);
    EXPECT_EQ(provider_names(record.provider_diagnostics),
              (std::vector<std::string>{"healthy attempt", "critical attempt"}));
    EXPECT_EQ(record.diagnostic_log.back(), "Provider [P5]: FAILED (Device IO Error: no answer)");
    EXPECT_EQ(record.timestamp, "14:07:09");
    EXPECT_EQ(record.model, "as the provider saw it");
}

TEST_F(ProviderChain, UnavailableWithoutTemperatureIsNoCandidateButKeepsItsAttempts) {
    script({answers(reading("Nothing read", HealthStatus::Unavailable, std::nullopt,
                            {attempt("device"), attempt("adapter")}))});

    const DiskHealthRecord record = run();

    EXPECT_EQ(record.provider_name, "None (Exhausted)");
    EXPECT_EQ(record.health_status, HealthStatus::Unavailable);
    EXPECT_EQ(provider_names(record.provider_diagnostics),
              (std::vector<std::string>{"device", "adapter"}));
    EXPECT_EQ(record.diagnostic_log[2], "Provider [P1]: SUCCESS (Status: N/A, Temp: N/A)");
    EXPECT_EQ(record.diagnostic_log.back(),
              "All providers failed. SMART/Temperature is Unavailable.");
}

TEST_F(ProviderChain, TemperatureIsAcceptedWhateverTheStatus) {
    script({answers(reading("Odd", HealthStatus::Unavailable, -2.5f, {}))});

    const DiskHealthRecord record = run();

    EXPECT_EQ(record.provider_name, "Odd");
    EXPECT_EQ(record.health_status, HealthStatus::Unavailable);
    EXPECT_EQ(record.diagnostic_log.back(), "Provider [P1]: SUCCESS (Status: N/A, Temp: -2.5°C)");
    EXPECT_EQ(scripted_[1]->asked(), 0);
}

TEST_F(ProviderChain, OwnTimestampStaysEmptyOneGetsTheChainTime) {
    DiskHealthRecord stamped = reading("Stamped", HealthStatus::Healthy, 40.0f, {});
    stamped.timestamp = "23:59:59";
    script({answers(stamped)});
    EXPECT_EQ(run().timestamp, "23:59:59");

    providers_.clear();
    scripted_.clear();
    script({answers(reading("Unstamped", HealthStatus::Healthy, 40.0f, {}))});
    EXPECT_EQ(run().timestamp, "14:07:09");
}

struct ErrorCase {
    ProviderError::Kind kind;
    const char* line;
};

class ProviderChainErrors : public ProviderChain,
                            public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ProviderChainErrors, AreLoggedWithTheirShownText) {
    script({fails(GetParam().kind, "x")});
    EXPECT_EQ(run().diagnostic_log[2], GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    ProviderChain, ProviderChainErrors,
    ::testing::Values(
        ErrorCase{ProviderError::Kind::AccessDenied, "Provider [P1]: FAILED (Access Denied: x)"},
        ErrorCase{ProviderError::Kind::UnsupportedProtocol,
                  "Provider [P1]: FAILED (Unsupported Protocol: x)"},
        ErrorCase{ProviderError::Kind::DeviceIoError, "Provider [P1]: FAILED (Device IO Error: x)"},
        ErrorCase{ProviderError::Kind::ParseError, "Provider [P1]: FAILED (Parse Error: x)"},
        ErrorCase{ProviderError::Kind::Timeout, "Provider [P1]: FAILED (Timeout: x)"}));

// "INFO quartzmon::...: message", so a failing comparison shows all three.
std::vector<std::string> event_lines(const std::vector<trace::Event>& events) {
    static const char* const LEVELS[] = {"TRACE", "DEBUG", "INFO", "WARN", "ERROR"};
    std::vector<std::string> lines;
    for (const auto& event : events) {
        lines.push_back(std::string(LEVELS[static_cast<int>(event.level)]) + " " + event.target +
                        ": " + event.message);
    }
    return lines;
}

TEST_F(ProviderChain, TraceEventsOfAcceptedAndFailed) {
    script({fails(ProviderError::Kind::ParseError, "short block"),
            answers(reading("Hot", HealthStatus::Caution, 51.25f, {}))});

    run();

    EXPECT_EQ(event_lines(events_),
              (std::vector<std::string>{
                  "DEBUG quartzmon::sensors::disk::provider: Disk #2: Samsung Portable SSD T7 -> "
                  "Provider [P1] failed: Parse Error: short block",
                  "INFO quartzmon::sensors::disk::provider: Disk #2: Samsung Portable SSD T7 -> "
                  "Provider [P2] SUCCESS with Temperature 51.2°C",
              }));
}

TEST_F(ProviderChain, TraceEventOfTheFallback) {
    script({answers(reading("Verdict method", HealthStatus::Critical, std::nullopt, {}))});

    run();

    ASSERT_EQ(events_.size(), 5u);  // four failures, then the fallback
    EXPECT_EQ(event_lines(events_).back(),
              "INFO quartzmon::sensors::disk::provider: Disk #2: Samsung Portable SSD T7 -> "
              "Using fallback candidate [Verdict method] (Status: 異常)");
}

TEST_F(ProviderChain, TraceEventOfExhaustion) {
    script({unsupported(), unsupported(), unsupported(), unsupported(), unsupported()});

    run();

    EXPECT_EQ(event_lines(events_),
              (std::vector<std::string>{
                  "WARN quartzmon::sensors::disk::provider: Disk #2: Samsung Portable SSD T7 -> "
                  "All providers exhausted. Returning Unavailable.",
              }));
}

}  // namespace
}  // namespace quartzmon::sensors::disk::provider
