#include "SabrelProcessor.h"

#include "StateBlock.h"

namespace
{
// Placeholder window until the editor lands: the design size of the real one.
class PlainEditor : public juce::AudioProcessorEditor
{
public:
    explicit PlainEditor (juce::AudioProcessor& p) : juce::AudioProcessorEditor (p) { setSize (980, 690); }
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::black); }
};
} // namespace

juce::AudioProcessor::BusesProperties SabrelProcessor::makeBuses()
{
    // The sidechain must stay input bus 1.
    return BusesProperties()
        .withInput ("Input", juce::AudioChannelSet::stereo(), true)
        .withOutput ("Output", juce::AudioChannelSet::stereo(), true)
        .withInput ("Sidechain", juce::AudioChannelSet::stereo(), false);
}

SabrelProcessor::SabrelProcessor()
    : juce::AudioProcessor (makeBuses()),
      apvts (*this, nullptr, "PARAMS", createParameterLayout()),
      updateChecker ("0.1.0")
{
    for (int band = 0; band < numBands; ++band)
        for (int p = 0; p < paramsPerBand; ++p)
            bandParamValues[(size_t) (band * paramsPerBand + p)] =
                apvts.getRawParameterValue (bandParamId (band, bandParamSuffixes[(size_t) p]));
}

SabrelProcessor::~SabrelProcessor() = default;

juce::AudioProcessorValueTreeState::ParameterLayout SabrelProcessor::createParameterLayout()
{
    return buildParameterLayout();
}

float SabrelProcessor::rawParamValue (juce::StringRef parameterId) const
{
    if (auto* value = apvts.getRawParameterValue (parameterId))
        return value->load();

    jassertfalse; // unknown id
    return 0.0f;
}

BandSnapshot SabrelProcessor::snapshotBands() const
{
    static_assert (eqBandCount == numBands && paramsPerBand == 18);

    const auto flag = [] (float v) { return v >= 0.5f; };
    const auto choice = [] (float v, int last) { return juce::jlimit (0, last, (int) v); };

    BandSnapshot result {};

    for (int band = 0; band < numBands; ++band)
    {
        // Reads follow the layout order: on, active, solo, type, freq, gain, q, slope, dynon,
        // thresh, atk, rel, ratio, knee, auto, channel, scext, tilt.
        const auto* values = bandParamValues.data() + band * paramsPerBand;
        const auto read = [values] (int p) { return values[p]->load(); };

        BandSettings s;
        s.on = flag (read (0));
        s.active = flag (read (1));
        s.solo = flag (read (2));
        s.type = choice (read (3), FilterType::tilt);
        s.freq = read (4);
        s.gain = read (5);
        s.q = read (6);
        s.slope = getSlopeTable()[(size_t) choice (read (7), (int) getSlopeTable().size() - 1)];
        s.dynamic = flag (read (8));
        s.thresh = read (9);
        s.attackMs = read (10);
        s.releaseMs = read (11);
        const float ratio = read (12);
        s.ratio = ratio >= 20.0f ? 1e9 : (double) ratio;
        s.knee = read (13);
        s.autoTiming = flag (read (14));
        s.channel = choice (read (15), ChannelMode::right);
        s.sidechain = flag (read (16));
        s.tilt = read (17);
        result[(size_t) band] = s;
    }

    return result;
}

const juce::String SabrelProcessor::getName() const { return "Sabrel"; }

void SabrelProcessor::prepareToPlay (double newSampleRate, int)
{
    sampleRate = newSampleRate;
}

void SabrelProcessor::releaseResources() {}

void SabrelProcessor::processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;
}

double SabrelProcessor::getTailLengthSeconds() const { return 0.0; }
bool SabrelProcessor::acceptsMidi() const { return false; }
bool SabrelProcessor::producesMidi() const { return false; }
juce::AudioProcessorEditor* SabrelProcessor::createEditor() { return new PlainEditor (*this); }
bool SabrelProcessor::hasEditor() const { return true; }
int SabrelProcessor::getNumPrograms() { return 1; }
int SabrelProcessor::getCurrentProgram() { return 0; }
void SabrelProcessor::setCurrentProgram (int) {}
const juce::String SabrelProcessor::getProgramName (int) { return {}; }
void SabrelProcessor::changeProgramName (int, const juce::String&) {}

void SabrelProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    // copyState flushes every parameter into its PARAM child under the state's lock.
    const auto state = apvts.copyState();

    if (auto xml = state.createXml())
        copyXmlToBinary (*xml, destData);
}

void SabrelProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    const auto xml = StateBlock::readXml (data, sizeInBytes);

    // Any other root is someone else's state: keep ours.
    if (xml == nullptr || ! xml->getTagName().equalsIgnoreCase (apvts.state.getType().toString()))
        return;

    apvts.replaceState (juce::ValueTree::fromXml (*xml));
}

bool SabrelProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto channelSetOr = [] (const juce::Array<juce::AudioChannelSet>& buses, int index) {
        return index < buses.size() ? buses.getReference (index) : juce::AudioChannelSet::disabled();
    };

    const auto output = channelSetOr (layouts.outputBuses, 0);
    if (output != juce::AudioChannelSet::mono() && output != juce::AudioChannelSet::stereo())
        return false;

    if (channelSetOr (layouts.inputBuses, 0) != output)
        return false;

    const auto sidechain = channelSetOr (layouts.inputBuses, 1);
    return sidechain.isDisabled() || sidechain == juce::AudioChannelSet::mono()
        || sidechain == juce::AudioChannelSet::stereo();
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new SabrelProcessor();
}
