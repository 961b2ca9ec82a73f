// Writes "kv-deluge.it", the demo's music: an Impulse Tracker module whose samples are
// synthesised here. Slow and dark, in D minor at 72 beats per minute: a breathing pad of
// detuned voices, a round bass line, a soft kick, ticking hats and a brush, and a bell that
// answers in the later patterns. Four patterns of four bars, six orders, about 80 seconds,
// looping back to the start. The output is the same on every run.
//
//   make-module OUTPUT.it
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;

// ---- samples ---------------------------------------------------------------------------

struct Sample {
    const char* name;
    std::vector<int16_t> data;
    uint32_t c5Speed;  // sample rate at which the sample sounds as C-5
    bool looped;
    uint8_t volume;  // default volume, 0..64
};

// A fixed-seed noise source, so the module is the same on every run.
struct Noise {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    double next() {  // in [-1, 1)
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return double(state >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }
};

// Scales to a peak of `peak` of full scale and converts to 16 bits.
std::vector<int16_t> toPcm(const std::vector<double>& signal, double peak) {
    double largest = 1e-12;
    for (double v : signal) largest = std::fmax(largest, std::fabs(v));
    std::vector<int16_t> pcm(signal.size());
    for (size_t i = 0; i < signal.size(); ++i) pcm[i] = int16_t(std::lrint(signal[i] / largest * peak * 32767.0));
    return pcm;
}

// Sample rate of the pitched samples; C-5 is middle C.
constexpr double pitchedRate = 22050.0;
constexpr double middleC = 261.6255653;

// Three voices a fraction of a hertz apart, each a stack of soft harmonics: the beating between
// them is the pad's slow movement. Every partial is a whole number of cycles in the two-second
// loop, so the loop has no seam.
Sample makePad() {
    const double loopSeconds = 2.0;
    const size_t length = size_t(pitchedRate * loopSeconds);
    const double voices[] = {261.0, 261.5, 262.0};
    Noise noise;
    std::vector<double> signal(length, 0.0);
    for (double f0 : voices)
        for (int k = 1; k <= 12; ++k) {
            double amplitude = std::pow(double(k), -1.6) * (k % 2 ? 1.0 : 0.6);  // odd harmonics a little hollow
            double phase = (noise.next() + 1.0) * pi;
            double f = f0 * k;
            for (size_t i = 0; i < length; ++i) signal[i] += amplitude * std::sin(2 * pi * f * double(i) / pitchedRate + phase);
        }
    return {"Pad", toPcm(signal, 0.85), uint32_t(std::lrint(pitchedRate * middleC / 261.5)), true, 64};
}

// A round bass: a sine with a little of its second and third harmonic, 84 samples a cycle.
Sample makeBass() {
    const size_t period = 84, cycles = 50;
    std::vector<double> signal(period * cycles);
    for (size_t i = 0; i < signal.size(); ++i) {
        double t = 2 * pi * double(i % period) / double(period);
        signal[i] = std::sin(t) + 0.30 * std::sin(2 * t) + 0.12 * std::sin(3 * t) + 0.04 * std::sin(4 * t);
    }
    double f = pitchedRate / double(period);
    return {"Bass", toPcm(signal, 0.9), uint32_t(std::lrint(pitchedRate * middleC / f)), true, 64};
}

// A soft kick: a sine falling from about 120 Hz to 45 Hz under a short decay.
Sample makeKick() {
    const size_t length = size_t(pitchedRate * 0.5);
    std::vector<double> signal(length);
    double phase = 0;
    for (size_t i = 0; i < length; ++i) {
        double t = double(i) / pitchedRate;
        double f = 45.0 + 75.0 * std::exp(-t / 0.04);
        phase += 2 * pi * f / pitchedRate;
        double attack = std::fmin(1.0, t / 0.002);
        signal[i] = attack * std::exp(-t / 0.18) * std::sin(phase);
    }
    return {"Kick", toPcm(signal, 0.9), uint32_t(pitchedRate), false, 64};
}

// Noise through a one-pole high-pass (hat) or two one-pole filters around a band (brush).
std::vector<double> filteredNoise(size_t length, double rate, double lowCut, double highCut, uint64_t seed) {
    Noise noise;
    noise.state ^= seed;
    double a = std::exp(-2 * pi * lowCut / rate);  // the high-pass takes away what a low-pass keeps
    double b = std::exp(-2 * pi * highCut / rate);
    double low = 0, band = 0;
    std::vector<double> out(length);
    for (size_t i = 0; i < length; ++i) {
        double x = noise.next();
        low = a * low + (1 - a) * x;
        double high = x - low;
        band = b * band + (1 - b) * high;
        out[i] = band;
    }
    return out;
}

Sample makeHat() {
    const double rate = 44100.0;
    std::vector<double> signal = filteredNoise(size_t(rate * 0.12), rate, 7000.0, 16000.0, 1);
    for (size_t i = 0; i < signal.size(); ++i) signal[i] *= std::exp(-double(i) / rate / 0.022);
    return {"Hat", toPcm(signal, 0.8), uint32_t(rate), false, 64};
}

Sample makeBrush() {
    const double rate = 44100.0;
    std::vector<double> signal = filteredNoise(size_t(rate * 0.3), rate, 1500.0, 6000.0, 2);
    for (size_t i = 0; i < signal.size(); ++i) {
        double t = double(i) / rate;
        signal[i] *= std::fmin(1.0, t / 0.008) * std::exp(-t / 0.06);
    }
    return {"Brush", toPcm(signal, 0.8), uint32_t(rate), false, 64};
}

// A bell: inharmonic partials, the higher ones dying first.
Sample makeBell() {
    const size_t length = size_t(pitchedRate * 2.5);
    struct Partial {
        double ratio, amplitude, decay;
    } partials[] = {{1.0, 1.0, 1.2}, {2.0, 0.25, 0.8}, {2.76, 0.35, 0.5}, {5.40, 0.15, 0.25}, {8.93, 0.06, 0.12}};
    std::vector<double> signal(length, 0.0);
    for (const Partial& p : partials)
        for (size_t i = 0; i < length; ++i) {
            double t = double(i) / pitchedRate;
            signal[i] += p.amplitude * std::exp(-t / p.decay) * std::sin(2 * pi * middleC * p.ratio * t);
        }
    for (size_t i = 0; i < length; ++i) signal[i] *= std::fmin(1.0, double(i) / pitchedRate / 0.003);
    return {"Bell", toPcm(signal, 0.85), uint32_t(pitchedRate), false, 64};
}

// ---- instruments -------------------------------------------------------------------------

struct EnvelopeNode {
    uint8_t value;  // 0..64
    uint16_t tick;
};

struct Instrument {
    const char* name;
    uint8_t sample;          // 1-based
    uint8_t newNoteAction;   // 0 cut, 1 continue, 2 note off, 3 fade
    uint16_t fadeOut;
    uint8_t globalVolume;    // 0..128
    std::vector<EnvelopeNode> volumeEnvelope;  // empty: none
    int sustainNode;         // -1: none
};

// ---- patterns ----------------------------------------------------------------------------

constexpr int rows = 64;
constexpr int channels = 9;
constexpr int noteOff = 255;

enum Channel { Pad0, Pad1, Pad2, Pad3, BassChannel, KickChannel, HatChannel, BrushChannel, BellChannel };
enum InstrumentNumber { PadInstrument = 1, BassInstrument, KickInstrument, HatInstrument, BrushInstrument, BellInstrument };

struct Cell {
    int note = -1;  // -1: empty; 0..119 (C-0 is 0, C-5 is 60); noteOff
    uint8_t instrument = 0;
    int volume = -1;  // -1: the sample's default
};

struct Pattern {
    Cell cells[rows][channels];
    void put(int row, int channel, int note, uint8_t instrument, int volume) {
        cells[row][channel] = Cell{note, instrument, volume};
    }
    void off(int row, int channel) { cells[row][channel] = Cell{noteOff, 0, -1}; }
};

// Notes by name: octave 5 holds middle C.
constexpr int note(int semitoneFromC, int octave) { return octave * 12 + semitoneFromC; }
constexpr int C = 0, Cs = 1, D = 2, E = 4, F = 5, G = 7, A = 9, Bb = 10;

struct Chord {
    int pad[4];
    int root;   // bass
    int fifth;  // bass
};

// D minor: i7, VImaj7, iv7, V7 and the descent i7, VII, VImaj7, V7.
const Chord Dm7{{note(D, 4), note(A, 4), note(C, 5), note(F, 5)}, note(D, 3), note(A, 3)};
const Chord Bbmaj7{{note(D, 4), note(A, 4), note(Bb, 4), note(F, 5)}, note(Bb, 2), note(F, 3)};
const Chord Gm7{{note(D, 4), note(G, 4), note(Bb, 4), note(F, 5)}, note(G, 2), note(D, 3)};
const Chord A7{{note(Cs, 4), note(G, 4), note(A, 4), note(E, 5)}, note(A, 2), note(E, 3)};
const Chord Cmaj{{note(E, 4), note(G, 4), note(C, 5), note(E, 5)}, note(C, 3), note(G, 3)};

// Each bar a chord on the pad, struck again at every bar: the release of one breathes into the
// attack of the next.
void padBars(Pattern& p, const Chord (&bars)[4], int volume) {
    for (int bar = 0; bar < 4; ++bar)
        for (int v = 0; v < 4; ++v) p.put(bar * 16, Pad0 + v, bars[bar].pad[v], PadInstrument, volume - 2 * v);
}

// The bass: the root held, struck again, then the fifth; in the last bar the third leads back.
void bassBars(Pattern& p, const Chord (&bars)[4], int volume, bool sparse) {
    for (int bar = 0; bar < 4; ++bar) {
        int row = bar * 16;
        const Chord& c = bars[bar];
        p.put(row, BassChannel, c.root, BassInstrument, volume);
        if (sparse) {
            p.off(row + 12, BassChannel);
            continue;
        }
        p.off(row + 7, BassChannel);
        p.put(row + 8, BassChannel, c.root, BassInstrument, volume - 10);
        p.put(row + 12, BassChannel, bar == 3 ? c.root + 4 : c.fifth, BassInstrument, volume - 14);
        p.off(row + 15, BassChannel);
    }
}

// Half-time drums: kick on one and three, a brush on two and four, hats on the eighths.
void drumBars(Pattern& p, bool kick, bool brush, int hatStep) {
    for (int row = 0; row < rows; ++row) {
        if (kick && row % 16 == 0) p.put(row, KickChannel, note(C, 5), KickInstrument, 44);
        if (kick && row % 16 == 10) p.put(row, KickChannel, note(C, 5), KickInstrument, 30);
        if (brush && row % 8 == 4) p.put(row, BrushChannel, note(C, 5), BrushInstrument, 26);
        if (hatStep && row % hatStep == 0) p.put(row, HatChannel, note(C, 5), HatInstrument, row % 4 ? 16 : 24);
    }
}

struct BellNote {
    int row, note, volume;
};

void bell(Pattern& p, const std::vector<BellNote>& notes) {
    for (const BellNote& n : notes) p.put(n.row, BellChannel, n.note, BellInstrument, n.volume);
}

std::vector<Pattern> makePatterns() {
    std::vector<Pattern> patterns(4);
    const Chord verse[4] = {Dm7, Bbmaj7, Gm7, A7};
    const Chord descent[4] = {Dm7, Cmaj, Bbmaj7, A7};
    const Chord turn[4] = {Bbmaj7, Gm7, Dm7, A7};

    // 0: the opening. The pad alone, the bass from the second bar, hats on the beat at the end.
    Pattern& intro = patterns[0];
    padBars(intro, verse, 44);
    bassBars(intro, verse, 44, true);
    intro.cells[0][BassChannel] = Cell{};
    for (int row = 32; row < rows; row += 4) intro.put(row, HatChannel, note(C, 5), HatInstrument, row < 48 ? 10 : 16);
    intro.put(56, KickChannel, note(C, 5), KickInstrument, 30);

    // 1: the verse with the whole band.
    Pattern& verseBand = patterns[1];
    padBars(verseBand, verse, 40);
    bassBars(verseBand, verse, 50, false);
    drumBars(verseBand, true, true, 2);

    // 2: the descent, with the bell.
    Pattern& descentBand = patterns[2];
    padBars(descentBand, descent, 40);
    bassBars(descentBand, descent, 50, false);
    drumBars(descentBand, true, true, 2);
    bell(descentBand, {{0, note(A, 5), 34}, {6, note(F, 5), 26}, {8, note(D, 5), 28},
                       {16, note(E, 5), 32}, {22, note(C, 5), 24}, {24, note(G, 5), 28},
                       {32, note(F, 5), 32}, {38, note(D, 5), 24}, {40, note(Bb, 4), 26},
                       {48, note(Cs, 5), 32}, {52, note(E, 5), 26}, {56, note(A, 5), 30}});

    // 3: the turn: the drums drop to hats, the bass to long notes, the bell leads.
    Pattern& turnBand = patterns[3];
    padBars(turnBand, turn, 42);
    bassBars(turnBand, turn, 50, true);
    drumBars(turnBand, false, false, 4);
    turnBand.put(56, KickChannel, note(C, 5), KickInstrument, 26);
    bell(turnBand, {{0, note(F, 5), 32}, {6, note(D, 5), 24}, {8, note(A, 5), 30},
                    {16, note(G, 5), 32}, {22, note(F, 5), 24}, {24, note(D, 5), 28},
                    {32, note(A, 5), 32}, {38, note(C, 6), 26}, {40, note(A, 5), 26}, {44, note(F, 5), 22},
                    {48, note(E, 5), 32}, {54, note(Cs, 5), 26}, {56, note(A, 4), 28}});
    return patterns;
}

// IT's packed pattern: per row, each used channel with a mask of what follows; 0 ends the row.
std::vector<uint8_t> packPattern(const Pattern& p) {
    std::vector<uint8_t> out;
    for (int row = 0; row < rows; ++row) {
        for (int ch = 0; ch < channels; ++ch) {
            const Cell& c = p.cells[row][ch];
            if (c.note < 0) continue;
            uint8_t mask = 0x01;  // note
            if (c.instrument) mask |= 0x02;
            if (c.volume >= 0) mask |= 0x04;
            out.push_back(uint8_t((ch + 1) | 0x80));
            out.push_back(mask);
            out.push_back(uint8_t(c.note));
            if (c.instrument) out.push_back(c.instrument);
            if (c.volume >= 0) out.push_back(uint8_t(c.volume));
        }
        out.push_back(0);
    }
    return out;
}

// ---- the file ----------------------------------------------------------------------------

struct Writer {
    std::vector<uint8_t> bytes;
    void u8(unsigned v) { bytes.push_back(uint8_t(v)); }
    void u16(unsigned v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void text(const std::string& s, size_t size) {
        for (size_t i = 0; i < size; ++i) u8(i < s.size() ? uint8_t(s[i]) : 0);
    }
    void patch32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
    }
    size_t size() const { return bytes.size(); }
};

constexpr uint8_t speed = 6;   // ticks per row
constexpr uint8_t tempo = 72;  // with four rows a beat, beats per minute

void writeInstrument(Writer& w, const Instrument& in) {
    w.text("IMPI", 4);
    w.text("", 12);  // file name
    w.u8(0);
    w.u8(in.newNoteAction);
    w.u8(0);  // duplicate check off
    w.u8(0);
    w.u16(in.fadeOut);
    w.u8(0);     // pitch-pan separation
    w.u8(60);    // pitch-pan centre: C-5
    w.u8(in.globalVolume);
    w.u8(128 + 32);  // default pan not used
    w.u8(0);     // random volume
    w.u8(0);     // random pan
    w.u16(0x0214);
    w.u8(1);  // number of samples
    w.u8(0);
    w.text(in.name, 26);
    w.u8(0);  // filter cutoff off
    w.u8(0);  // filter resonance off
    w.u8(0);  // MIDI channel
    w.u8(0xFF);  // MIDI program
    w.u16(0xFFFF);  // MIDI bank
    for (int n = 0; n < 120; ++n) {
        w.u8(uint8_t(n));
        w.u8(in.sample);
    }
    // Volume, panning and pitch envelopes, 82 bytes each.
    for (int envelope = 0; envelope < 3; ++envelope) {
        bool used = envelope == 0 && !in.volumeEnvelope.empty();
        const std::vector<EnvelopeNode> none{{envelope == 0 ? uint8_t(64) : uint8_t(0), 0}, {envelope == 0 ? uint8_t(64) : uint8_t(0), 100}};
        const std::vector<EnvelopeNode>& nodes = used ? in.volumeEnvelope : none;
        uint8_t flags = used ? 0x01 : 0x00;
        if (used && in.sustainNode >= 0) flags |= 0x04;
        w.u8(flags);
        w.u8(uint8_t(nodes.size()));
        w.u8(0);
        w.u8(0);
        w.u8(uint8_t(in.sustainNode >= 0 ? in.sustainNode : 0));
        w.u8(uint8_t(in.sustainNode >= 0 ? in.sustainNode : 0));
        for (size_t i = 0; i < 25; ++i) {
            EnvelopeNode node = i < nodes.size() ? nodes[i] : EnvelopeNode{0, 0};
            w.u8(node.value);
            w.u16(node.tick);
        }
        w.u8(0);
    }
    w.text("", 4);
}

void writeSampleHeader(Writer& w, const Sample& s, size_t* dataPointerAt) {
    w.text("IMPS", 4);
    w.text("", 12);
    w.u8(0);
    w.u8(64);                                // global volume
    w.u8(0x01 | 0x02 | (s.looped ? 0x10 : 0));  // has data, 16-bit, looped
    w.u8(s.volume);
    w.text(s.name, 26);
    w.u8(0x01);  // signed samples
    w.u8(32);    // default pan, not used
    w.u32(uint32_t(s.data.size()));
    w.u32(0);                                         // loop start
    w.u32(s.looped ? uint32_t(s.data.size()) : 0);    // loop end
    w.u32(s.c5Speed);
    w.u32(0);  // sustain loop start
    w.u32(0);  // sustain loop end
    *dataPointerAt = w.size();
    w.u32(0);  // where the data is, patched when it is written
    w.u8(0);   // vibrato speed
    w.u8(0);   // depth
    w.u8(0);   // rate
    w.u8(0);   // type
}

std::vector<uint8_t> makeModule() {
    std::vector<Sample> samples = {makePad(), makeBass(), makeKick(), makeHat(), makeBrush(), makeBell()};
    // Ticks are 2.5 / tempo seconds (about 35 ms): the pad swells over a second and lets go over
    // two, the bass lets go in a third of a second.
    std::vector<Instrument> instruments = {
        {"Pad", 1, 2, 16, 128, {{0, 0}, {64, 30}, {56, 44}, {0, 104}}, 2},
        {"Bass", 2, 2, 64, 128, {{0, 0}, {64, 2}, {48, 24}, {0, 34}}, 2},
        {"Kick", 3, 3, 128, 128, {}, -1},
        {"Hat", 4, 3, 128, 80, {}, -1},
        {"Brush", 5, 3, 128, 96, {}, -1},
        {"Bell", 6, 1, 0, 100, {}, -1},
    };
    std::vector<Pattern> patterns = makePatterns();
    const std::vector<uint8_t> orders = {0, 1, 2, 1, 3, 2};

    Writer w;
    w.text("IMPM", 4);
    w.text("kv-deluge", 26);
    w.u8(4);   // rows per beat
    w.u8(16);  // rows per bar
    w.u16(unsigned(orders.size() + 1));
    w.u16(unsigned(instruments.size()));
    w.u16(unsigned(samples.size()));
    w.u16(unsigned(patterns.size()));
    w.u16(0x0214);  // made with
    w.u16(0x0214);  // compatible with
    w.u16(0x01 | 0x04 | 0x08);  // stereo, instruments, linear slides
    w.u16(0);
    w.u8(128);  // global volume
    w.u8(72);   // mixing volume
    w.u8(speed);
    w.u8(tempo);
    w.u8(128);  // panning separation
    w.u8(0);    // pitch wheel depth
    w.u16(0);   // no message
    w.u32(0);
    w.u32(0);
    const uint8_t pans[channels] = {18, 26, 38, 46, 32, 32, 42, 24, 20};
    for (int ch = 0; ch < 64; ++ch) w.u8(ch < channels ? pans[ch] : 32 + 128);  // the rest disabled
    for (int ch = 0; ch < 64; ++ch) w.u8(64);
    for (uint8_t order : orders) w.u8(order);
    w.u8(255);  // end of the song

    size_t instrumentTable = w.size();
    for (size_t i = 0; i < instruments.size(); ++i) w.u32(0);
    size_t sampleTable = w.size();
    for (size_t i = 0; i < samples.size(); ++i) w.u32(0);
    size_t patternTable = w.size();
    for (size_t i = 0; i < patterns.size(); ++i) w.u32(0);

    for (size_t i = 0; i < instruments.size(); ++i) {
        w.patch32(instrumentTable + 4 * i, uint32_t(w.size()));
        writeInstrument(w, instruments[i]);
    }
    std::vector<size_t> dataPointers(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        w.patch32(sampleTable + 4 * i, uint32_t(w.size()));
        writeSampleHeader(w, samples[i], &dataPointers[i]);
    }
    for (size_t i = 0; i < patterns.size(); ++i) {
        w.patch32(patternTable + 4 * i, uint32_t(w.size()));
        std::vector<uint8_t> packed = packPattern(patterns[i]);
        w.u16(unsigned(packed.size()));
        w.u16(rows);
        w.u32(0);
        w.bytes.insert(w.bytes.end(), packed.begin(), packed.end());
    }
    for (size_t i = 0; i < samples.size(); ++i) {
        w.patch32(dataPointers[i], uint32_t(w.size()));
        for (int16_t v : samples[i].data) w.u16(uint16_t(v));
    }
    return w.bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-module OUTPUT.it\n");
        return 2;
    }
    std::vector<uint8_t> module = makeModule();
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(module.data(), 1, module.size(), out) != module.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make-module: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %zu bytes\n", argv[1], module.size());
    return 0;
}
