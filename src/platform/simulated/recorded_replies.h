// Replies recorded on a real machine, played back by request: a captured run
// describes each disk's and volume's device requests as "replay" (the format
// is under "Recorded replies" in machines/README.md), keyed as
// platform/description/device_request.h decodes a request.
//
// A request is answered by the first reply recorded for it that was not
// played yet; once all were played the last one answers again. A request the
// recording never saw is not answered here: it goes to the handlers as on any
// described machine.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <vector>

#include "platform/simulated/description_reader.h"
#include "platform/simulated/device_reply.h"

namespace quartzmon::platform::simulated {

struct RecordedReply {
    nlohmann::json request;  // the decoded request, as device_request_key gives it
    std::uint32_t error = 0;
    std::uint32_t bytes_returned = 0;
    std::vector<std::uint8_t> out;          // the start of the output buffer
    std::vector<std::uint8_t> direct_data;  // what a direct SCSI request's buffer received
};

class RecordedReplies {
public:
    static RecordedReplies read(const nlohmann::json& value, const std::string& place);

    // Plays the next reply recorded for this request into the caller's
    // buffers; none when the recording never saw the request.
    std::optional<IoctlOutcome> answer(std::uint32_t io_control_code,
                                       std::span<const std::uint8_t> in,
                                       std::span<std::uint8_t> out) const;

private:
    std::vector<RecordedReply> replies_;
    // Which replies were played: playback state, not part of the description.
    mutable std::vector<bool> played_;
};

}  // namespace quartzmon::platform::simulated
