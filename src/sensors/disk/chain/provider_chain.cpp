#include "sensors/disk/chain/provider_chain.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sensors/disk/text.h"
#include "trace/trace.h"

namespace quartzmon::sensors::disk::provider {
namespace {

constexpr std::string_view TRACE_TARGET = "quartzmon::sensors::disk::provider";
constexpr std::string_view EXHAUSTED_PROVIDER_NAME = "None (Exhausted)";
constexpr std::string_view STANDBY_PROVIDER_NAME = "None (Standby)";

std::string temperature_text(const DiskHealthRecord& record) {
    return record.temperature_celsius ? celsius_text(*record.temperature_celsius) : "N/A";
}

// "Disk #0: Model -> " opens every trace event of the chain.
std::string event_subject(const enumeration::DiskIdentity& disk) {
    return "Disk #" + std::to_string(disk.physical_drive) + ": " + disk.model + " -> ";
}

std::string provider_line(std::string_view name, std::string_view outcome) {
    return "Provider [" + std::string(name) + "]: " + std::string(outcome);
}

// Everything the chain learns about one disk while it asks the providers.
struct ChainState {
    std::string chain_time;
    std::vector<std::string> log;
    std::vector<ProviderDiagnostic> diagnostics;
    std::optional<DiskHealthRecord> candidate;
};

// The chain's log and the attempts of every answering provider replace the
// provider's own; a provider's timestamp stays when it set one.
DiskHealthRecord finish_with(DiskHealthRecord record, ChainState& state) {
    record.diagnostic_log = std::move(state.log);
    record.provider_diagnostics = std::move(state.diagnostics);
    if (record.timestamp.empty()) record.timestamp = state.chain_time;
    return record;
}

// The chain time and the starting line open every disk's chain.
ChainState start_chain(platform::Platform& platform, const enumeration::DiskIdentity& disk) {
    ChainState state;
    state.chain_time = clock_text(platform.get_local_time());
    state.log.push_back("Starting acquisition for Drive #" + std::to_string(disk.physical_drive) +
                        ": " + disk.model + " [Bus: " + disk.bus_type + "]");
    return state;
}

// A record without a reading: identity, Unavailable, the chain's log and the
// attempts gathered.
DiskHealthRecord unread_record(const enumeration::DiskIdentity& disk,
                               std::string_view provider_name, ChainState& state) {
    DiskHealthRecord record = record_for(disk);
    record.provider_name = provider_name;
    record.health_status = HealthStatus::Unavailable;
    record.diagnostic_log = std::move(state.log);
    record.provider_diagnostics = std::move(state.diagnostics);
    record.timestamp = state.chain_time;
    return record;
}

}  // namespace

DiskHealthRecord run_provider_chain(platform::Platform& platform, const ProviderList& providers,
                                    const enumeration::DiskIdentity& disk) {
    ChainState state = start_chain(platform, disk);

    for (const auto& provider : providers) {
        const std::string_view name = provider->name();
        if (!provider->supports(disk)) {
            state.log.push_back(provider_line(name, "SKIPPED (Unsupported)"));
            continue;
        }

        state.log.push_back(provider_line(name, "ATTEMPTING..."));
        auto answer = provider->query(disk);
        if (!answer) {
            const std::string error = shown_text(answer.error());
            state.log.push_back(provider_line(name, "FAILED (" + error + ")"));
            trace::emit(trace::Level::Debug, TRACE_TARGET, [&] {
                return event_subject(disk) + "Provider [" + std::string(name) +
                       "] failed: " + error;
            });
            continue;
        }

        DiskHealthRecord& record = *answer;
        state.log.push_back(provider_line(
            name, "SUCCESS (Status: " + std::string(display_name(record.health_status)) +
                      ", Temp: " + temperature_text(record) + ")"));
        state.diagnostics.insert(state.diagnostics.end(), record.provider_diagnostics.begin(),
                                 record.provider_diagnostics.end());

        // Any temperature wins at once, whatever the status that came with it.
        if (record.temperature_celsius) {
            trace::emit(trace::Level::Info, TRACE_TARGET, [&] {
                return event_subject(disk) + "Provider [" + std::string(name) +
                       "] SUCCESS with Temperature " + temperature_text(record);
            });
            return finish_with(std::move(record), state);
        }
        // A verdict without temperature is held back in case nothing better
        // comes; the first one stays, and Unavailable is no verdict at all.
        if (!state.candidate && record.health_status != HealthStatus::Unavailable) {
            state.candidate = std::move(record);
        }
    }

    if (state.candidate) {
        trace::emit(trace::Level::Info, TRACE_TARGET, [&] {
            return event_subject(disk) + "Using fallback candidate [" +
                   state.candidate->provider_name +
                   "] (Status: " + std::string(display_name(state.candidate->health_status)) + ")";
        });
        DiskHealthRecord candidate = std::move(*state.candidate);
        return finish_with(std::move(candidate), state);
    }

    trace::emit(trace::Level::Warn, TRACE_TARGET, [&] {
        return event_subject(disk) + "All providers exhausted. Returning Unavailable.";
    });
    state.log.push_back("All providers failed. SMART/Temperature is Unavailable.");
    return unread_record(disk, EXHAUSTED_PROVIDER_NAME, state);
}

DiskHealthRecord standby_record(platform::Platform& platform, const enumeration::DiskIdentity& disk,
                                std::vector<ProviderDiagnostic> attempts) {
    ChainState state = start_chain(platform, disk);
    state.diagnostics = std::move(attempts);
    state.log.push_back("Drive is in standby and was not woken. SMART/Temperature is Unavailable.");
    return unread_record(disk, STANDBY_PROVIDER_NAME, state);
}

}  // namespace quartzmon::sensors::disk::provider
