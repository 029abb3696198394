// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a SoundFont's 'pdta' list: preset headers and zones, instrument headers and zones, and
// sample headers. Every record is little-endian and of fixed size; the last of each kind only ends
// the one before it.
#include "synth/SoundFontLayout.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <span>
#include <string_view>

namespace synth {
namespace {

enum Generator : int { kInstrument = 41, kKeyRange = 43, kVelocityRange = 44, kSampleId = 53 };
constexpr std::size_t kPresetHeader = 38, kBag = 4, kGenerator = 4, kModulator = 10, kInstrumentHeader = 22,
                      kSampleHeader = 46;
// Within a sample header.
constexpr std::size_t kSampleStartField = 20, kSampleEndField = 24, kSampleRateField = 36,
                      kSampleTypeField = 44;
// Sample types.
constexpr unsigned kRightSample = 2, kLeftSample = 4, kCompressedSample = 0x10, kRomSample = 0x8000;

ProgramTuning::Side SideOf(unsigned sampleType)
{
    if (sampleType & kLeftSample)
        return ProgramTuning::Side::Left;
    return sampleType & kRightSample ? ProgramTuning::Side::Right : ProgramTuning::Side::Both;
}

using Bytes = std::vector<unsigned char>;

void PutWord(Bytes& bytes, std::size_t at, unsigned value)
{
    bytes[at] = value & 0xFF;
    bytes[at + 1] = (value >> 8) & 0xFF;
}

void PutDoubleWord(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    PutWord(bytes, at, value & 0xFFFF);
    PutWord(bytes, at + 2, value >> 16);
}

unsigned Word(std::span<const unsigned char> bytes, std::size_t at)
{
    return bytes[at] | unsigned(bytes[at + 1]) << 8;
}

std::uint32_t DoubleWord(std::span<const unsigned char> bytes, std::size_t at)
{
    return Word(bytes, at) | std::uint32_t(Word(bytes, at + 2)) << 16;
}

// Whether a sample header's start or end lies beyond the `dataBytes` of the sample chunk. Offsets
// count 16-bit words, but bytes in a compressed sample's header; a ROM sample is not in the file.
bool PastTheData(std::span<const unsigned char> header, std::uint64_t dataBytes)
{
    const unsigned type = Word(header, kSampleTypeField);
    if (type & kRomSample)
        return false;
    const std::uint64_t end = type & kCompressedSample ? dataBytes : dataBytes / 2;
    return DoubleWord(header, kSampleStartField) > end || DoubleWord(header, kSampleEndField) > end;
}

struct Chunk {
    std::string id;
    std::uint64_t offset = 0; // of the data
    std::uint32_t size = 0;
};

// A chunk's declared size is only a claim: every chunk is cut to its parent and to the file, so a
// few damaged bytes never make the reader allocate more than the file holds.
class RiffReader {
public:
    explicit RiffReader(const std::string& path) : file_(path, std::ios::binary | std::ios::ate)
    {
        const std::streamoff end = file_.tellg();
        fileSize_ = file_ && end > 0 ? std::uint64_t(end) : 0;
    }

    // The chunk whose header starts at `offset`, cut to end at `parentEnd` at the latest.
    std::optional<Chunk> chunkAt(std::uint64_t offset, std::uint64_t parentEnd)
    {
        const Bytes header = read(offset, 8);
        if (header.size() != 8 || offset + 8 > parentEnd)
            return std::nullopt;
        const std::uint64_t room = std::min(parentEnd, fileSize_) - (offset + 8);
        const auto size = std::uint32_t(std::min<std::uint64_t>(DoubleWord(header, 4), room));
        return Chunk{std::string(header.begin(), header.begin() + 4), offset + 8, size};
    }
    // The file's outermost chunk.
    std::optional<Chunk> top() { return chunkAt(0, fileSize_); }

    // The four-character form type of a RIFF or LIST chunk.
    std::string formOf(const Chunk& chunk)
    {
        const Bytes form = read(chunk.offset, 4);
        return std::string(form.begin(), form.end());
    }

    // The chunks inside a RIFF or LIST chunk, by id.
    std::map<std::string, Chunk> children(const Chunk& list)
    {
        std::map<std::string, Chunk> found;
        const std::uint64_t end = list.offset + list.size;
        for (std::uint64_t at = list.offset + 4; at + 8 <= end;) {
            const auto chunk = chunkAt(at, end);
            if (!chunk)
                break;
            const std::string key = chunk->id == "LIST" ? "LIST " + formOf(*chunk) : chunk->id;
            found.emplace(key, *chunk);
            at = chunk->offset + chunk->size + (chunk->size & 1);
        }
        return found;
    }

    Bytes read(std::uint64_t offset, std::size_t size)
    {
        Bytes bytes(offset < fileSize_ ? std::size_t(std::min<std::uint64_t>(size, fileSize_ - offset)) : 0);
        file_.clear();
        file_.seekg(std::streamoff(offset));
        file_.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
        bytes.resize(std::size_t(std::max<std::streamsize>(file_.gcount(), 0)));
        return bytes;
    }

private:
    std::ifstream file_;
    std::uint64_t fileSize_ = 0;
};

// Records of one kind: the chunk's bytes cut into fixed-size pieces.
class Records {
public:
    Records(Bytes bytes, std::size_t size) : bytes_(std::move(bytes)), size_(size) {}
    std::size_t count() const { return bytes_.size() / size_; }
    std::span<const unsigned char> operator[](std::size_t i) const
    {
        return std::span(bytes_).subspan(i * size_, size_);
    }

private:
    Bytes bytes_;
    std::size_t size_;
};

} // namespace

class SoundFontLayoutReader {
    // The size of the sample chunk as far as the file holds it; 0 without one.
    static std::uint64_t sampleDataBytes(RiffReader& riff, const std::map<std::string, Chunk>& lists)
    {
        const auto sdta = lists.find("LIST sdta");
        if (sdta == lists.end())
            return 0;
        const auto parts = riff.children(sdta->second);
        const auto smpl = parts.find("smpl");
        return smpl == parts.end() ? 0 : smpl->second.size;
    }

public:
    static std::optional<SoundFontLayout> Read(const std::string& path)
    {
        RiffReader riff(path);
        const auto top = riff.top();
        if (!top || top->id != "RIFF" || riff.formOf(*top) != "sfbk")
            return std::nullopt;
        const auto lists = riff.children(*top);
        const auto pdta = lists.find("LIST pdta");
        if (pdta == lists.end())
            return std::nullopt;
        const auto parts = riff.children(pdta->second);
        const auto records = [&](const char* id, std::size_t size) {
            const auto part = parts.find(id);
            return part == parts.end() ? Records({}, size)
                                       : Records(riff.read(part->second.offset, part->second.size), size);
        };
        const Records generators[2] = {records("pgen", kGenerator), records("igen", kGenerator)};
        const Records bags[2] = {records("pbag", kBag), records("ibag", kBag)};
        const Records presetHeaders = records("phdr", kPresetHeader);
        const Records instrumentHeaders = records("inst", kInstrumentHeader);
        const Records sampleHeaders = records("shdr", kSampleHeader);
        if (presetHeaders.count() < 1 || instrumentHeaders.count() < 1 || sampleHeaders.count() < 1)
            return std::nullopt;

        SoundFontLayout layout;
        const auto zonesOf = [&](int level, unsigned firstBag, unsigned endBag, int targetGenerator) {
            std::vector<SoundFontLayout::Zone> zones;
            SoundFontLayout::Zone global;
            for (unsigned bag = firstBag; bag < endBag && bag + 1 < bags[level].count(); ++bag) {
                SoundFontLayout::Zone zone = global;
                const unsigned endGenerator = Word(bags[level][bag + 1], 0);
                for (unsigned g = Word(bags[level][bag], 0);
                     g < endGenerator && g < generators[level].count(); ++g) {
                    const auto generator = generators[level][g];
                    const int kind = int(Word(generator, 0));
                    if (kind == kKeyRange)
                        zone.lowKey = generator[2], zone.highKey = generator[3];
                    else if (kind == kVelocityRange)
                        zone.lowVelocity = generator[2], zone.highVelocity = generator[3];
                    else if (kind == targetGenerator)
                        zone.target = int(Word(generator, 2));
                }
                if (zone.target >= 0)
                    zones.push_back(zone);
                else if (bag == firstBag)
                    global = zone; // its ranges are the other zones' defaults
            }
            return zones;
        };
        for (std::size_t i = 0; i + 1 < presetHeaders.count(); ++i)
            layout.presets_.push_back(
                {int(Word(presetHeaders[i], 22)), int(Word(presetHeaders[i], 20)),
                 zonesOf(0, Word(presetHeaders[i], 24), Word(presetHeaders[i + 1], 24), kInstrument)});
        for (std::size_t i = 0; i + 1 < instrumentHeaders.count(); ++i)
            layout.instruments_.push_back(
                zonesOf(1, Word(instrumentHeaders[i], 20), Word(instrumentHeaders[i + 1], 20), kSampleId));
        const std::uint64_t dataBytes = sampleDataBytes(riff, lists);
        for (std::size_t i = 0; i + 1 < sampleHeaders.count(); ++i)
            layout.samples_.push_back({DoubleWord(sampleHeaders[i], kSampleRateField),
                                       SideOf(Word(sampleHeaders[i], kSampleTypeField)),
                                       PastTheData(sampleHeaders[i], dataBytes)});

        const Chunk& list = pdta->second;
        if (list.offset + list.size + (list.size & 1) >= top->offset + top->size) {
            layout.headerListStart_ = list.offset - 8;
            for (std::uint64_t at = list.offset + 4; at + 8 <= list.offset + list.size;) {
                const auto chunk = riff.chunkAt(at, list.offset + list.size);
                if (!chunk)
                    break;
                layout.headerChunks_.emplace_back(chunk->id, riff.read(chunk->offset, chunk->size));
                at = chunk->offset + chunk->size + (chunk->size & 1);
            }
        }
        return layout;
    }
};

std::optional<SoundFontLayout> SoundFontLayout::Read(const std::string& path)
{
    return SoundFontLayoutReader::Read(path);
}

std::vector<int> SoundFontLayout::samplesPastTheData() const
{
    std::vector<int> past;
    for (std::size_t i = 0; i < samples_.size(); ++i)
        if (samples_[i].pastTheData)
            past.push_back(int(i));
    return past;
}

std::vector<int> SoundFontLayout::samplesOf(int bank, int program, int key, int velocity) const
{
    std::vector<int> samples;
    for (const Played& played : playedBy(bank, program, key, velocity))
        samples.push_back(played.sample);
    return samples;
}

std::vector<SoundFontLayout::Played> SoundFontLayout::playedBy(int bank, int program, int key,
                                                               int velocity) const
{
    std::vector<Played> found;
    for (const Preset& preset : presets_) {
        if (preset.bank != bank || preset.program != program)
            continue;
        for (const Zone& presetZone : preset.zones) {
            if (!presetZone.covers(key, velocity) || std::size_t(presetZone.target) >= instruments_.size())
                continue;
            for (const Zone& zone : instruments_[presetZone.target])
                if (zone.covers(key, velocity) && std::size_t(zone.target) < samples_.size())
                    found.push_back({presetZone.target, zone.target});
        }
        break; // the first preset of that number is the one played
    }
    return found;
}

namespace {

// The instrument headers, zones, generators, modulators and sample headers, written anew.
class InstrumentWriter {
public:
    InstrumentWriter(const std::map<std::string, Bytes>& chunks, const SoundFontLayout::KeyRates& rates)
        : instruments_(chunks.at("inst"), kInstrumentHeader), bags_(chunks.at("ibag"), kBag),
          generators_(chunks.at("igen"), kGenerator), modulators_(chunks.at("imod"), kModulator),
          samples_(chunks.at("shdr"), kSampleHeader)
    {
        copySampleHeaders(rates);
        for (std::size_t i = 0; i + 1 < instruments_.count(); ++i)
            writeInstrument(i);
        writeRecord(out_["inst"], instruments_[instruments_.count() - 1], 20, bagCount());
        writeBag();
        append(out_["igen"], generators_[generators_.count() - 1]);
        append(out_["imod"], modulators_[modulators_.count() - 1]);
        append(out_["shdr"], samples_[samples_.count() - 1]);
    }

    // Nullopt when an index outgrows its 16 bits.
    std::optional<std::map<std::string, Bytes>> chunks() const
    {
        if (bagCount() > 0xFFFF || out_.at("igen").size() / kGenerator > 0xFFFF ||
            out_.at("imod").size() / kModulator > 0xFFFF || out_.at("shdr").size() / kSampleHeader > 0xFFFF)
            return std::nullopt;
        return out_;
    }

private:
    struct Piece {
        int lowKey, highKey, sample;
    };

    static void append(Bytes& to, std::span<const unsigned char> record)
    {
        to.insert(to.end(), record.begin(), record.end());
    }

    // `record` with the 16-bit value at `at` replaced.
    static void writeRecord(Bytes& to, std::span<const unsigned char> record, std::size_t at,
                            std::size_t value)
    {
        Bytes copy(record.begin(), record.end());
        PutWord(copy, at, unsigned(value));
        append(to, copy);
    }

    std::size_t bagCount() const { return out_.count("ibag") ? out_.at("ibag").size() / kBag : 0; }

    void copySampleHeaders(const SoundFontLayout::KeyRates& rates)
    {
        Bytes& headers = out_["shdr"];
        for (std::size_t i = 0; i + 1 < samples_.count(); ++i)
            append(headers, samples_[i]);
        for (const auto& [sampleKey, rate] : rates) {
            copies_[sampleKey] = int(headers.size() / kSampleHeader);
            Bytes copy(samples_[std::size_t(sampleKey.sample)].begin(),
                       samples_[std::size_t(sampleKey.sample)].end());
            PutDoubleWord(copy, kSampleRateField, rate);
            append(headers, copy);
        }
    }

    // A zone starting at the generators and modulators written so far.
    void writeBag()
    {
        Bytes bag(kBag);
        PutWord(bag, 0, unsigned(out_["igen"].size() / kGenerator));
        PutWord(bag, 2, unsigned(out_["imod"].size() / kModulator));
        append(out_["ibag"], bag);
    }

    void writeInstrument(std::size_t instrument)
    {
        writeRecord(out_["inst"], instruments_[instrument], 20, bagCount());
        const unsigned firstBag = Word(instruments_[instrument], 20),
                       endBag = Word(instruments_[instrument + 1], 20);
        std::pair<int, int> globalKeys{0, 127};
        for (unsigned bag = firstBag; bag < endBag && bag + 1 < bags_.count(); ++bag) {
            const unsigned firstGenerator = Word(bags_[bag], 0), endGenerator = Word(bags_[bag + 1], 0);
            std::pair<int, int> keys = globalKeys;
            int sample = -1;
            for (unsigned g = firstGenerator; g < endGenerator && g < generators_.count(); ++g) {
                if (Word(generators_[g], 0) == kKeyRange)
                    keys = {generators_[g][2], generators_[g][3]};
                else if (Word(generators_[g], 0) == kSampleId)
                    sample = int(Word(generators_[g], 2));
            }
            if (sample < 0 && bag == firstBag)
                globalKeys = keys;
            const auto pieces = sample < 0 ? std::vector<Piece>{} : piecesOf(int(instrument), keys, sample);
            if (pieces.size() <= 1 && (pieces.empty() || pieces.front().sample == sample)) {
                writeZone(bag, std::nullopt); // as it is
                continue;
            }
            for (const Piece& piece : pieces)
                writeZone(bag, piece);
        }
    }

    // The zone's keys cut where a key plays a copy of the sample.
    std::vector<Piece> piecesOf(int instrument, std::pair<int, int> keys, int sample) const
    {
        std::vector<Piece> pieces;
        for (int key = keys.first; key <= keys.second; ++key) {
            const auto copy = copies_.find({instrument, sample, key});
            const int played = copy == copies_.end() ? sample : copy->second;
            if (!pieces.empty() && copy == copies_.end() && pieces.back().sample == sample)
                pieces.back().highKey = key;
            else
                pieces.push_back({key, key, played});
        }
        return pieces;
    }

    // The zone `bag` again, over the piece's keys and playing its sample when there is a piece.
    void writeZone(unsigned bag, const std::optional<Piece>& piece)
    {
        writeBag();
        Bytes& generators = out_["igen"];
        if (piece)
            append(generators,
                   Bytes{kKeyRange, 0, std::uint8_t(piece->lowKey), std::uint8_t(piece->highKey)});
        for (unsigned g = Word(bags_[bag], 0); g < Word(bags_[bag + 1], 0) && g < generators_.count(); ++g) {
            const unsigned kind = Word(generators_[g], 0);
            if (piece && kind == kKeyRange)
                continue;
            if (piece && kind == kSampleId)
                writeRecord(generators, generators_[g], 2, std::size_t(piece->sample));
            else
                append(generators, generators_[g]);
        }
        for (unsigned m = Word(bags_[bag], 2); m < Word(bags_[bag + 1], 2) && m < modulators_.count(); ++m)
            append(out_["imod"], modulators_[m]);
    }

    const Records instruments_, bags_, generators_, modulators_, samples_;
    std::map<SoundFontLayout::SampleKey, int> copies_; // -> header of its copy
    std::map<std::string, Bytes> out_;
};

} // namespace

std::optional<RewrittenSoundFont> SoundFontLayout::rewritten(const KeyRates& rates) const
{
    std::map<std::string, Bytes> chunks(headerChunks_.begin(), headerChunks_.end());
    const std::pair<const char*, std::size_t> records[] = {{"inst", kInstrumentHeader},
                                                           {"ibag", kBag},
                                                           {"igen", kGenerator},
                                                           {"imod", kModulator},
                                                           {"shdr", kSampleHeader}};
    for (const auto& [id, recordSize] : records)
        if (!chunks.contains(id) || chunks[id].size() < recordSize)
            return std::nullopt; // each list ends with a terminal record, which is copied
    for (const auto& [sampleKey, rate] : rates)
        if (std::size_t(sampleKey.sample) >= samples_.size())
            return std::nullopt;
    const auto written = InstrumentWriter(chunks, rates).chunks();
    if (!written)
        return std::nullopt;
    for (const auto& [id, bytes] : *written)
        chunks[id] = bytes;

    Bytes list{'L', 'I', 'S', 'T', 0, 0, 0, 0, 'p', 'd', 't', 'a'};
    for (const auto& [id, original] : headerChunks_) {
        const Bytes& bytes = chunks[id];
        list.insert(list.end(), id.begin(), id.end());
        list.insert(list.end(), {0, 0, 0, 0});
        PutDoubleWord(list, list.size() - 4, std::uint32_t(bytes.size()));
        list.insert(list.end(), bytes.begin(), bytes.end());
        if (bytes.size() & 1)
            list.push_back(0);
    }
    PutDoubleWord(list, 4, std::uint32_t(list.size() - 8));
    const auto riffSize = std::uint32_t(headerListStart_ + list.size() - 8);
    return RewrittenSoundFont{.kept = headerListStart_, .riffSize = riffSize, .tail = std::move(list)};
}

} // namespace synth
