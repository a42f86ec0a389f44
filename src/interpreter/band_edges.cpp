#include "band_edges.h"

#include "cues.h"

#include <algorithm>
#include <charconv>

namespace vexalo {

namespace {

bool allDigits(std::string_view text)
{
    return !text.empty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Kilohertz with up to three decimals, as whole hertz; never the desktop's decimal mark.
std::optional<long long> hertzOf(std::string_view kilohertz)
{
    const std::size_t point = kilohertz.find('.');
    const std::string_view whole = kilohertz.substr(0, point);
    const std::string_view fraction
        = point == std::string_view::npos ? std::string_view() : kilohertz.substr(point + 1);
    if (!allDigits(whole) || whole.size() > 9 || fraction.size() > 3
        || (point != std::string_view::npos && !allDigits(fraction))) {
        return std::nullopt;
    }
    long long hz = 0;
    std::from_chars(whole.data(), whole.data() + whole.size(), hz);
    long long part = 0;
    std::from_chars(fraction.data(), fraction.data() + fraction.size(), part);
    for (std::size_t digits = fraction.size(); digits < 3; ++digits) {
        part *= 10;
    }
    return hz * 1000 + part;
}

// "160m" says "1", "60", "metres", as the hundreds of megahertz and the two-digit number
// clips say a frequency; "70cm" says "70", "centimetres".
std::optional<Clips> bandClips(std::string_view name)
{
    const std::size_t unit = std::min(name.find_first_not_of("0123456789"), name.size());
    const std::string_view number = name.substr(0, unit);
    const std::string_view suffix = name.substr(unit);
    int n = 0;
    if (number.empty() || number.size() > 3
        || std::from_chars(number.data(), number.data() + number.size(), n).ec != std::errc()
        || n == 0 || (suffix != "m" && suffix != "cm")) {
        return std::nullopt;
    }
    Clips clips;
    if (n >= 100) {
        clips.push_back(std::to_string(n / 100));
        // "160" says "1" "60"; "105" says "1" "05", as a frequency's digit pairs do.
        const int rest = n % 100;
        clips.push_back({ static_cast<char>('0' + rest / 10), static_cast<char>('0' + rest % 10) });
    } else {
        clips.push_back(std::to_string(n));
    }
    clips.emplace_back(suffix == "m" ? "metres" : "centimetres");
    return clips;
}

std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    constexpr std::string_view kBlank = " \t\r";
    for (std::size_t at = line.find_first_not_of(kBlank); at != std::string_view::npos;
         at = line.find_first_not_of(kBlank, at)) {
        const std::size_t end = std::min(line.find_first_of(kBlank, at), line.size());
        fields.push_back(line.substr(at, end - at));
        at = end;
    }
    return fields;
}

// Why the fields are no band, or nothing when `band` holds the band they describe.
std::string readBand(const std::vector<std::string_view> &fields, int &region, Band &band)
{
    if (fields.size() != 4) {
        return "expected region, band, lower and upper edge in kHz";
    }
    if (fields[0].size() != 1 || fields[0][0] < '1' || fields[0][0] > '0' + kRegions) {
        return "region '" + std::string(fields[0]) + "' is not 1, 2 or 3";
    }
    region = fields[0][0] - '0';
    const std::optional<Clips> clips = bandClips(fields[1]);
    if (!clips) {
        return "band '" + std::string(fields[1]) + "' is not in metres or centimetres (20m, 70cm)";
    }
    const std::optional<long long> lower = hertzOf(fields[2]);
    const std::optional<long long> upper = hertzOf(fields[3]);
    if (!lower || !upper) {
        return "edge '" + std::string(lower ? fields[3] : fields[2]) + "' is not a number of kHz";
    }
    if (*lower >= *upper) {
        return "the lower edge is not below the upper one";
    }
    band = Band { std::string(fields[1]), *clips, *lower, *upper };
    return {};
}

const Band *bandAt(std::span<const Band> bands, long long hz)
{
    const auto found = std::find_if(bands.begin(), bands.end(), [hz](const Band &band) {
        return band.lowerHz <= hz && hz <= band.upperHz;
    });
    return found == bands.end() ? nullptr : &*found;
}

} // namespace

BandPlan parseBandPlan(std::string_view text)
{
    BandPlan plan;
    for (int number = 1; !text.empty(); ++number) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::vector<std::string_view> fields = fieldsOf(line);
        if (fields.empty() || fields[0].starts_with('#')) {
            continue;
        }
        int region = 0;
        Band band;
        std::string problem = readBand(fields, region, band);
        std::vector<Band> &bands = plan.regions.at(region == 0 ? 0 : region - 1);
        if (problem.empty()) {
            const auto overlapped
                = std::find_if(bands.begin(), bands.end(), [&band](const Band &other) {
                      return band.lowerHz <= other.upperHz && other.lowerHz <= band.upperHz;
                  });
            if (overlapped != bands.end()) {
                problem = "overlaps " + overlapped->name + " of region " + std::to_string(region);
            }
        }
        if (!problem.empty()) {
            plan.problems.push_back("line " + std::to_string(number) + ": " + problem);
            continue;
        }
        bands.push_back(std::move(band));
    }
    return plan;
}

std::optional<long long> watchedFrequency(const RadioState &state)
{
    const long vfo = state.split_on.get() ? state.tx_vfo.get() : vfoNumber(state.rx_vfo);
    const Maybe<long long> &hz = vfo == 0 ? state.freq_a : state.freq_b;
    return hz.isSet() ? std::optional<long long>(hz.get()) : std::nullopt;
}

Announcement bandEdge(std::span<const Band> bands, const RadioState &before,
                      const RadioState &after)
{
    Announcement edge { Origin::BandEdge, {} };
    const std::optional<long long> was = watchedFrequency(before);
    const std::optional<long long> now = watchedFrequency(after);
    if (bands.empty() || !now) {
        return edge;
    }
    const Band *to = bandAt(bands, *now);
    // A frequency first heard of (the transmitting VFO's, say, once split is on) is news only
    // when it lies outside every band.
    if (was ? to == bandAt(bands, *was) : to != nullptr) {
        return edge;
    }
    if (to == nullptr) {
        edge.add(Reading::Band, Clips { std::string(kBandLeft.clip), "out_of_band" });
    } else {
        edge.add(Reading::Band, Clips { std::string(kBandEntered.clip) });
        edge.add(Reading::Band, to->clips);
    }
    return edge;
}

} // namespace vexalo
