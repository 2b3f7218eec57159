#include "virtualdrive/VirtualBusDescription.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "base/AsciiText.h"
#include "base/FileIo.h"
#include "virtualdrive/VirtualImage.h"
#include "virtualdrive/VirtualReadBack.h"

namespace {
std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start)
            words.push_back(s.substr(start, i - start));
    }
    return words;
}

bool Number(std::string_view s, int64_t low, int64_t high, int64_t& value, int base = 10) {
    if (base == 16 && (s.rfind("0x", 0) == 0 || s.rfind("0X", 0) == 0))
        s.remove_prefix(2);
    if (s.empty())
        return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    return ec == std::errc() && end == s.data() + s.size() && value >= low && value <= high;
}

bool HexBytes(std::string_view s, size_t most, std::vector<uint8_t>& bytes) {
    bytes.clear();
    for (std::string_view word : Words(s)) {
        int64_t v = 0;
        if (word.size() > 2 || !Number(word, 0, 255, v, 16) || bytes.size() >= most)
            return false;
        bytes.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

bool YesNo(std::string_view s, bool& value) {
    std::string v = Lower(s);
    if (v == "yes" || v == "1" || v == "true")
        value = true;
    else if (v == "no" || v == "0" || v == "false")
        value = false;
    else
        return false;
    return true;
}

bool IdentificationText(std::string_view s, size_t most, std::string& out) {
    if (s.size() > most)
        return false;
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            return false;
    out = std::string(s);
    return true;
}

bool Fault(std::string_view s, CVirtualDevice::Fault& fault) {
    auto words = Words(s);
    if (words.size() != 3 && words.size() != 4)
        return false;
    int64_t v = 0;
    if (words[0].size() > 4 || !Number(words[0], 0, 255, v, 16))
        return false;
    fault.operationCode = static_cast<uint8_t>(v);
    if (!Number(words[1], 1, 1'000'000'000, v))
        return false;
    fault.first = static_cast<int32_t>(v);
    std::string action = Lower(words[2]);
    if (action == "transport") {
        fault.kind = CVirtualDevice::Fault::Kind::kTransport;
    } else if (action == "busy") {
        fault.kind = CVirtualDevice::Fault::Kind::kBusy;
    } else if (action == "no-sense") {
        fault.kind = CVirtualDevice::Fault::Kind::kCheckWithoutSense;
    } else if (action == "time-out") {
        fault.kind = CVirtualDevice::Fault::Kind::kTimeOut;
    } else {
        size_t a = action.find('/');
        size_t b = a == std::string::npos ? a : action.find('/', a + 1);
        if (b == std::string::npos)
            return false;
        int64_t key = 0, asc = 0, ascq = 0;
        std::string_view text(action);
        if (!Number(text.substr(0, a), 0, 15, key, 16) ||
            !Number(text.substr(a + 1, b - a - 1), 0, 255, asc, 16) ||
            !Number(text.substr(b + 1), 0, 255, ascq, 16))
            return false;
        fault.kind = CVirtualDevice::Fault::Kind::kSense;
        fault.senseKey = static_cast<uint8_t>(key);
        fault.asc = static_cast<uint8_t>(asc);
        fault.ascq = static_cast<uint8_t>(ascq);
    }
    fault.times = 1;
    if (words.size() == 4) {
        if (words[3] == "*") {
            fault.times = -1;
        } else {
            if (!Number(words[3], 1, 1'000'000'000, v))
                return false;
            fault.times = static_cast<int32_t>(v);
        }
    }
    return true;
}

bool LeadIn(std::string_view s, CVirtualDevice::Config& config) {
    if (s.size() != 8 || s[2] != ':' || s[5] != ':')
        return false;
    int64_t m = 0, sec = 0, f = 0;
    if (!Number(s.substr(0, 2), 0, 99, m) || !Number(s.substr(3, 2), 0, 59, sec) ||
        !Number(s.substr(6, 2), 0, 74, f))
        return false;
    config.leadInMinute = static_cast<int32_t>(m);
    config.leadInSecond = static_cast<int32_t>(sec);
    config.leadInFrame = static_cast<int32_t>(f);
    return true;
}

// A whole number within its range into a field; "" when taken, else the complaint.
template <typename T>
std::string Count(std::string_view value, int64_t low, int64_t high, T& field,
                  const char* complaint) {
    int64_t v = 0;
    if (!Number(value, low, high, v))
        return complaint;
    field = static_cast<T>(v);
    return "";
}

// One "name = value" line into the device; "" when it was taken, else what is wrong.
std::string Setting(const std::string& name, std::string_view value,
                    CVirtualDevice::Config& config) {
    if (name == "vendor")
        return IdentificationText(value, 8, config.vendor)
                   ? ""
                   : "a vendor is 8 plain characters at most";
    if (name == "product")
        return IdentificationText(value, 16, config.product)
                   ? ""
                   : "a product is 16 plain characters at most";
    if (name == "revision")
        return IdentificationText(value, 4, config.revision)
                   ? ""
                   : "a revision is 4 plain characters at most";
    if (name == "type") {
        std::string t = Lower(value);
        if (t != "cd" && t != "disk")
            return "type is cd or disk";
        config.cdDevice = t == "cd";
        return "";
    }
    if (name == "writes-cdr")
        return YesNo(value, config.writesCdr) ? "" : "writes-cdr is yes or no";
    if (name == "real-time")
        return YesNo(value, config.realTime) ? "" : "real-time is yes or no";
    if (name == "cd-text")
        return YesNo(value, config.cdText) ? "" : "cd-text is yes or no";
    if (name == "bufe")
        return YesNo(value, config.bufe) ? "" : "bufe is yes or no";
    if (name == "model") {
        static const std::pair<const char*, CVirtualDeviceConfig::Model> kModels[] = {
            {"mmc", CVirtualDeviceConfig::Model::kMmc},
            {"mmc-raw", CVirtualDeviceConfig::Model::kMmcRaw},
            {"mmc2", CVirtualDeviceConfig::Model::kMmc2},
            {"tao", CVirtualDeviceConfig::Model::kTrackAtOnce},
            {"2600", CVirtualDeviceConfig::Model::k2600},
            {"ric", CVirtualDeviceConfig::Model::kRic},
            {"sony", CVirtualDeviceConfig::Model::kSony},
            {"teac", CVirtualDeviceConfig::Model::kTeac}};
        for (const auto& [text, model] : kModels) {
            if (Lower(value) == text) {
                config.model = model;
                return "";
            }
        }
        return "model is mmc, mmc-raw, mmc2, tao, 2600, ric, sony or teac";
    }
    if (name == "block-types") {
        std::vector<int32_t> types;
        for (std::string_view word : Words(value)) {
            int64_t type = 0;
            if (!Number(word, 1, 3, type) ||
                std::find(types.begin(), types.end(), type) != types.end())
                return "block-types are raw data block types 1, 2 and 3, each once";
            types.push_back(static_cast<int32_t>(type));
        }
        config.rawBlockTypes = std::move(types);
        return "";
    }
    if (name == "disc") {
        std::string d = Lower(value);
        if (d == "blank")
            config.disc = CVirtualDevice::Disc::kBlank;
        else if (d == "written")
            config.disc = CVirtualDevice::Disc::kWritten;
        else if (d == "none")
            config.disc = CVirtualDevice::Disc::kNone;
        else
            return "disc is blank, written or none";
        return "";
    }
    if (name == "lead-in")
        return LeadIn(value, config) ? "" : "lead-in is minutes:seconds:frames, as 97:24:00";
    if (name == "recorded")
        return Count(value, 1, 450000, config.recordedBlocks,
                     "recorded is a block count from 1 to 450000");
    if (name == "image") {
        std::vector<CVirtualDisc::Track> tracks;
        int32_t leadOut = 0;
        std::string why;
        if (!ReadVirtualCue(std::string(value), tracks, leadOut, why))
            return "image " + std::string(value) + ": " + why;
        config.image = std::string(value);
        config.disc = CVirtualDevice::Disc::kWritten;
        return "";
    }
    if (name == "read-offset")
        return Count(value, -9999, 9999, config.readOffset,
                     "read-offset is a count of samples from -9999 to 9999");
    if (name == "damage") {
        const auto words = Words(value);
        int64_t address = 0, count = 1;
        if (words.empty() || words.size() > 2 || !Number(words[0], 0, 449999, address) ||
            (words.size() == 2 && !Number(words[1], 1, 450000, count)))
            return "damage is a block address and optionally how many blocks";
        config.damage.push_back({static_cast<int32_t>(address), static_cast<int32_t>(count)});
        return "";
    }
    if (name == "buffer")
        return Count(value, 2352, 1 << 30, config.bufferBytes,
                     "buffer is a byte count from 2352 to 1073741824");
    if (name == "speed")
        return Count(value, 1, 64, config.maxSpeed, "speed is a multiple of 1x from 1 to 64");
    if (name == "max-transfer")
        return Count(value, 2048, 16 << 20, config.maximumTransfer,
                     "max-transfer is a byte count from 2048 to 16777216");
    if (name == "output") {
        if (value.empty() || !IsFolder(std::string(value)))
            return "output must name an existing folder";
        // Found now, not when the first disc is lost for it.
        if (const std::string why = CVirtualImage::FolderProblem(std::string(value)); !why.empty())
            return "output " + std::string(value) + " cannot be written: " + why;
        config.outputFolder = std::string(value);
        return "";
    }
    if (name == "fault") {
        CVirtualDevice::Fault fault;
        if (!Fault(value, fault))
            return "fault is: operation code, n-th time, sense key/ASC/ASCQ or transport, busy, "
                   "no-sense, time-out, and optionally how often or *";
        config.faults.push_back(fault);
        return "";
    }
    if (name == "reply") {
        size_t colon = value.find(':');
        CVirtualDevice::Reply reply;
        if (colon == std::string_view::npos ||
            !HexBytes(value.substr(0, colon), 16, reply.cdbPrefix) || reply.cdbPrefix.empty() ||
            !HexBytes(value.substr(colon + 1), 65536, reply.data))
            return "reply is command bytes, a colon, and the reply bytes, in hexadecimal";
        config.replies.push_back(std::move(reply));
        return "";
    }
    return "unknown setting '" + name + "'";
}
}  // namespace

bool ParseVirtualBusDescription(std::string_view text, const std::string& defaultOutput,
                                std::vector<CVirtualDevice::Config>& devices, std::string& error) {
    devices.clear();
    error.clear();
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = TrimBlanks(line);
        if (line.empty())
            continue;
        auto fail = [&](const std::string& what) {
            error = "line " + std::to_string(lineNumber) + ": " + what;
            devices.clear();
            return false;
        };
        if (line.front() == '[') {
            if (Lower(line) != "[device]")
                return fail("only [device] sections are known");
            if (devices.size() >= kMaxBusDescriptionDevices)
                return fail("at most 64 devices");
            devices.emplace_back();
            devices.back().outputFolder = defaultOutput;
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return fail("expected 'name = value'");
        if (devices.empty())
            return fail("settings belong in a [device] section");
        std::string problem = Setting(Lower(TrimBlanks(line.substr(0, equals))),
                                      TrimBlanks(line.substr(equals + 1)), devices.back());
        if (!problem.empty())
            return fail(problem);
    }
    return true;
}

bool LoadVirtualBusDescription(const std::string& path, const std::string& defaultOutput,
                               std::vector<CVirtualDevice::Config>& devices, std::string& error) {
    devices.clear();
    CFile file;
    if (!file.OpenForReading(path.c_str())) {
        error = path + ": cannot be read as a bus description";
        return false;
    }
    if (file.Size() > static_cast<int64_t>(kMaxBusDescriptionBytes)) {
        error = path + ": larger than a bus description can be (1 MiB)";
        return false;
    }
    std::string text(static_cast<size_t>(file.Size()), '\0');
    if (file.ReadAt(0, text.data(), text.size()) != static_cast<int64_t>(text.size())) {
        error = path + ": cannot be read";
        return false;
    }
    if (!ParseVirtualBusDescription(text, defaultOutput, devices, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}
