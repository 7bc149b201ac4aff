#include "platform/simulated/recorded_replies.h"

#include <algorithm>

#include "platform/description/device_request.h"
#include "platform/description/hex_text.h"
#include "platform/direct_data_buffer.h"
#include "platform/platform.h"

namespace quartzmon::platform::simulated {
namespace {

// The request's fields: numbers, or hex text for the byte fields.
constexpr std::string_view NUMBER_FIELDS[] = {"property_id",          "query_type",
                                              "protocol_type",        "data_type",
                                              "request_value",        "request_sub_value",
                                              "request_sub_value2",   "ata_flags",
                                              "data_transfer_length", "data_in"};
constexpr std::string_view HEX_FIELDS[] = {"task_file", "cdb"};

// Checked field by field, so a typo is reported instead of never matching.
// What a data-out request sent is kept as its key keeps it.
nlohmann::json read_request(JsonObject& request) {
    nlohmann::json key = {
        {"ioctl", read_text(request.required("ioctl"), request.place_of("ioctl"))}};
    for (const std::string_view field : NUMBER_FIELDS) {
        if (const auto number = request.u32(field)) key[std::string(field)] = *number;
    }
    for (const std::string_view field : HEX_FIELDS) {
        if (const auto bytes = request.hex_bytes(field))
            key[std::string(field)] = description::hex_text(*bytes);
    }
    if (const auto sent = request.hex_bytes("data_out")) description::add_data_out(key, *sent);
    request.reject_unknown_keys();
    return key;
}

RecordedReply read_reply(JsonObject& object) {
    RecordedReply reply;
    JsonObject request(object.required("request"), object.place_of("request"));
    reply.request = read_request(request);
    reply.error = object.u32("error").value_or(0);
    reply.out = object.hex_bytes("out").value_or(std::vector<std::uint8_t>{});
    reply.bytes_returned =
        object.u32("bytes_returned").value_or(static_cast<std::uint32_t>(reply.out.size()));
    reply.direct_data = object.hex_bytes("direct_data").value_or(std::vector<std::uint8_t>{});
    // A capture written before the payload was part of the key kept it
    // beside the request; it is that request's payload all the same.
    if (const auto sent = object.hex_bytes("data_out"))
        description::add_data_out(reply.request, *sent);
    object.reject_unknown_keys();
    return reply;
}

}  // namespace

RecordedReplies RecordedReplies::read(const nlohmann::json& value, const std::string& place) {
    RecordedReplies replies;
    const nlohmann::json::array_t& described = read_array(value, place);
    for (std::size_t i = 0; i < described.size(); ++i) {
        JsonObject object(described[i], element_place(place, i));
        replies.replies_.push_back(read_reply(object));
    }
    replies.played_.assign(replies.replies_.size(), false);
    return replies;
}

std::optional<IoctlOutcome> RecordedReplies::answer(std::uint32_t io_control_code,
                                                    std::span<const std::uint8_t> in,
                                                    std::span<std::uint8_t> out) const {
    // Most described disks record nothing; they need no decoding here.
    if (replies_.empty()) return std::nullopt;
    // The caller's direct buffer: what a data-out request sent there is part
    // of the key, and a data-in reply's data goes there.
    const std::span<std::uint8_t> direct_buffer = direct_data_buffer(io_control_code, in);
    const nlohmann::json key = description::device_request_key(io_control_code, in, direct_buffer);
    std::optional<std::size_t> chosen;
    for (std::size_t i = 0; i < replies_.size(); ++i) {
        if (replies_[i].request != key) continue;
        chosen = i;
        if (!played_[i]) break;
    }
    if (!chosen) return std::nullopt;
    played_[*chosen] = true;

    const RecordedReply& reply = replies_[*chosen];
    std::copy_n(reply.out.begin(), std::min(reply.out.size(), out.size()), out.begin());
    std::copy_n(reply.direct_data.begin(), std::min(reply.direct_data.size(), direct_buffer.size()),
                direct_buffer.begin());
    // A driver never reports more than the buffer holds.
    const auto bytes_returned =
        std::min<std::uint32_t>(reply.bytes_returned, static_cast<std::uint32_t>(out.size()));
    return IoctlOutcome{reply.error, bytes_returned, "recorded reply " + std::to_string(*chosen)};
}

}  // namespace quartzmon::platform::simulated
