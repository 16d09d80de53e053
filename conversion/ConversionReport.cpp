#include "ConversionReport.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "ContactEvents.h"
#include "Resolution.h"
#include "SeqFile.h"
#include "SeqImage.h"
#include "Text.h"

TConversionFacts FactsOf(const TMidiFile& midiFile, std::uint16_t resolutionMs)
{
    TConversionFacts facts;
    facts.ResolutionMs = resolutionMs;
    facts.MicrosecondsPerTick = midiFile.MicrosecondsPerTick();
    facts.Tempo = midiFile.Tempo();
    facts.TempoEvents = midiFile.TempoEvents();
    facts.OtherChannelNotes = midiFile.OtherChannelNotes();
    facts.SmpteFramesPerSecond = midiFile.SmpteFramesPerSecond();
    facts.SmpteTicksPerFrame = midiFile.SmpteTicksPerFrame();
    return facts;
}

void TLostNotes::Add(const TLostNote& lost)
{
    ++Count;
    const auto earlier = [](const TLostNote& a, const TLostNote& b) {
        return a.AtMs != b.AtMs ? a.AtMs < b.AtMs : SwitchOn(a.Note).Contact < SwitchOn(b.Note).Contact;
    };
    if (Earliest.size() == Kept && !earlier(lost, Earliest.back()))
        return;
    // Of equal ones the first met stays first.
    Earliest.insert(std::upper_bound(Earliest.begin(), Earliest.end(), lost, earlier), lost);
    if (Earliest.size() > Kept)
        Earliest.pop_back();
}

namespace {

// The level of each output over time, from the sorted changes.
class TLevels {
public:
    explicit TLevels(const std::vector<TContactorEvent>& changes)
    {
        for (const TContactorEvent& c : changes)
            changes_[c.Contact].push_back(c);
        // An output has one change a time: any order of the list will do.
        const auto byTime = [](const TContactorEvent& a, const TContactorEvent& b) { return a.TimeMs < b.TimeMs; };
        for (std::vector<TContactorEvent>& output : changes_)
            if (!std::is_sorted(output.begin(), output.end(), byTime))
                std::sort(output.begin(), output.end(), byTime);
    }

    // The output's level once the changes at time are made.
    std::uint8_t After(std::uint8_t output, std::uint32_t time) const
    {
        const std::vector<TContactorEvent>& changes = changes_[output];
        const auto next = std::upper_bound(changes.begin(), changes.end(), time,
                                           [](std::uint32_t t, const TContactorEvent& c) { return t < c.TimeMs; });
        return next == changes.begin() ? 0 : std::prev(next)->Value;
    }

private:
    std::array<std::vector<TContactorEvent>, 256> changes_;
};

}  // namespace

TConversionSummary SummaryOf(const std::vector<TUseFullMidiEvent>& notes, const std::vector<TContactorEvent>& changes,
                             const std::vector<TTrameOfContactorEvent>& frames)
{
    TConversionSummary summary;
    summary.Notes = notes.size();
    summary.Changes = changes.size();
    summary.Frames = frames.size();
    summary.FirstFrameEmpty = !frames.empty() && frames.front().Pairs.empty() && !changes.empty();
    summary.FrameBytes = FrameBytes(frames);
    summary.LastChangeMs = changes.empty() ? 0 : changes.back().TimeMs;
    return summary;
}

TConversionReport ReportConversion(const std::vector<TUseFullMidiEvent>& notes,
                                   const std::vector<TContactorEvent>& changes,
                                   const std::vector<TTrameOfContactorEvent>& frames, const TConversionFacts& facts)
{
    TConversionReport report;
    report.Summary = SummaryOf(notes, changes, frames);
    report.Facts = facts;

    const TLevels levels(changes);
    for (const TUseFullMidiEvent& note : notes) {
        // A velocity-0 note-on that closed nothing is a stray note-off, no note.
        if (note.Velocity == 0)
            continue;
        const TContactorEvent on = SwitchOn(note);
        const std::uint32_t start = QuantizedTime(on.TimeMs, facts.ResolutionMs);
        const std::uint32_t end = QuantizedTime(SwitchOff(note).TimeMs, facts.ResolutionMs);
        if (note.Unclosed)
            report.Unclosed.Add({on.TimeMs, note});
        else if (start == end)
            report.SameSlot.Add({start, note});
        else if (levels.After(on.Contact, start) == 0)
            report.TakenOver.Add({start, note});
        else if (levels.After(on.Contact, end) != 0)
            report.Merged.Add({end, note});
    }
    return report;
}

namespace {

// Texts of the language, numbers put in.
class TReportTexts {
public:
    explicit TReportTexts(std::uint8_t language) : language_(language) {}

    std::string Text(ReportEntry entry) const { return ::Text(entry, language_); }

    std::string Count(std::uint64_t count, ReportEntry one, ReportEntry many) const
    {
        return Counted(language_, count, Text(one), Text(many));
    }

private:
    std::uint8_t language_;
};

class TReportWriter : private TReportTexts {
public:
    TReportWriter(const TConversionReport& report, std::uint8_t language) : TReportTexts(language), report_(report) {}

    std::string TimeOfTick(std::uint32_t tick) const
    {
        return ClockTime(TicksToMs(report_.Facts.MicrosecondsPerTick, tick));
    }

    // The heading, then the first lines and how many more there are.
    template <typename T, typename TLine>
    void Listed(std::string heading, std::uint64_t count, const std::vector<T>& first, TLine line)
    {
        lines_.push_back(std::move(heading));
        for (const T& item : first)
            lines_.push_back(line(item));
        if (count > first.size())
            lines_.push_back(Fill(Text(ReportEntry::More), {std::to_string(count - first.size())}));
    }

    template <typename T, typename TLine>
    void Kind(ReportEntry heading, std::uint64_t count, const std::vector<T>& first, TLine line)
    {
        Listed(Fill(Text(heading), {std::to_string(count)}), count, first, line);
    }

    void Lost(ReportEntry heading, const TLostNotes& lost, bool withTimes)
    {
        Kind(heading, lost.Count, lost.Earliest, [&](const TLostNote& l) {
            const TUseFullMidiEvent& n = l.Note;
            const std::string output = std::to_string(SwitchOn(n).Contact);
            const std::string channel = std::to_string(n.Channel + 1);
            const std::string note = std::to_string(n.Note);
            if (!withTimes)
                return Fill(Text(ReportEntry::NoteAtLine), {ClockTime(l.AtMs), output, channel, note});
            return Fill(Text(ReportEntry::NoteLine), {ClockTime(l.AtMs), output, channel, note, ClockTime(n.TimeMs),
                                                      ClockTime(SwitchOff(n).TimeMs)});
        });
    }

    std::vector<std::string> Lines()
    {
        const TConversionFacts& facts = report_.Facts;
        Kind(ReportEntry::OtherChannels, facts.OtherChannelNotes.Count, facts.OtherChannelNotes.First,
             [&](const TOtherChannelNote& n) {
                 return Fill(Text(ReportEntry::OtherChannelLine), {TimeOfTick(n.Tick), std::to_string(n.Channel + 1),
                                                                   std::to_string(n.Note), std::to_string(n.Track + 1)});
             });
        Lost(ReportEntry::Unclosed, report_.Unclosed, false);
        Lost(ReportEntry::SameSlot, report_.SameSlot, true);
        Lost(ReportEntry::TakenOver, report_.TakenOver, true);
        Lost(ReportEntry::Merged, report_.Merged, true);

        const std::uint64_t tempos = facts.TempoEvents.Count;
        const std::string tempo = std::to_string(facts.Tempo);
        if (facts.SmpteFramesPerSecond != 0) {
            const std::string fps = facts.SmpteFramesPerSecond == 29 ? "29.97" : std::to_string(facts.SmpteFramesPerSecond);
            lines_.push_back(Fill(Text(ReportEntry::TempoSmpte),
                                  {std::to_string(tempos), fps, std::to_string(facts.SmpteTicksPerFrame)}));
        } else if (tempos == 0) {
            lines_.push_back(Fill(Text(ReportEntry::TempoNone), {tempo}));
        } else if (tempos == 1) {
            lines_.push_back(Fill(Text(ReportEntry::TempoOne), {tempo}));
        } else {
            // The count is in the sentence itself.
            Listed(Fill(Text(ReportEntry::TempoMany), {std::to_string(tempos), tempo}), tempos, facts.TempoEvents.First,
                   [&](const TTempoEvent& t) {
                       return Fill(Text(ReportEntry::TempoLine),
                                   {TimeOfTick(t.Tick), std::to_string(t.Track + 1), std::to_string(t.Tempo)});
                   });
        }

        const std::string bytes = std::to_string(report_.Summary.FrameBytes);
        if (report_.Summary.Changes == 0) {
            lines_.push_back(Fill(Text(ReportEntry::NoChange), {bytes}));
        } else {
            const std::uint32_t slot = report_.Summary.LastChangeMs / ResolutionOf(facts.ResolutionMs).Ms;
            lines_.push_back(
                Fill(Text(ReportEntry::ImageUse), {ClockTime(report_.Summary.LastChangeMs), std::to_string(slot), bytes}));
        }
        return std::move(lines_);
    }

private:
    const TConversionReport& report_;
    std::vector<std::string> lines_;
};

}  // namespace

std::string ReportSummary(const TConversionSummary& summary, std::uint8_t languageIndex)
{
    const TReportTexts texts(languageIndex);
    return Fill(texts.Text(ReportEntry::Summary),
                {texts.Count(summary.Notes, ReportEntry::NoteOne, ReportEntry::NoteMany),
                 texts.Count(summary.Changes, ReportEntry::ChangeOne, ReportEntry::ChangeMany),
                 texts.Count(summary.Frames, ReportEntry::FrameOne, ReportEntry::FrameMany),
                 summary.FirstFrameEmpty ? texts.Text(ReportEntry::FirstFrameEmpty) : std::string(),
                 texts.Count(summary.FrameBytes, ReportEntry::FrameByteOne, ReportEntry::FrameByteMany)});
}

std::vector<std::string> ReportLines(const TConversionReport& report, std::uint8_t languageIndex)
{
    return TReportWriter(report, languageIndex).Lines();
}

namespace {

// "100, 250 or 500"
std::string ListOfResolutions(const std::vector<std::uint16_t>& resolutions, std::uint8_t language)
{
    std::string list;
    for (std::size_t i = 0; i < resolutions.size(); ++i) {
        if (i > 0)
            list += i + 1 == resolutions.size() ? Text(ConversionEntry::Or, language) : std::string(", ");
        list += std::to_string(resolutions[i]);
    }
    return list;
}

}  // namespace

std::string LossLine(const TConversionReport& report, std::uint8_t languageIndex)
{
    const auto text = [languageIndex](ConversionEntry entry) { return Text(entry, languageIndex); };
    const auto count = [](std::uint64_t n) { return std::to_string(n); };
    std::vector<std::string> sentences;
    if (report.Summary.Notes == 0)
        sentences.push_back(text(ConversionEntry::NoNotes));
    std::string kinds;
    std::uint64_t lost = 0;
    for (const auto& [entry, kind] : {std::pair{ConversionEntry::TooShort, &report.SameSlot},
                                      std::pair{ConversionEntry::HiddenByOthers, &report.TakenOver},
                                      std::pair{ConversionEntry::NeverEnded, &report.Unclosed},
                                      std::pair{ConversionEntry::MergedWithNext, &report.Merged}}) {
        if (kind->Count == 0)
            continue;
        kinds += (kinds.empty() ? "" : ", ") + Fill(text(entry), {count(kind->Count)});
        lost += kind->Count;
    }
    if (lost > 0)
        sentences.push_back(Fill(text(ConversionEntry::Lost),
                                 {count(lost),
                                  Counted(languageIndex, report.Summary.Notes, Text(ReportEntry::NoteOne, languageIndex),
                                          Text(ReportEntry::NoteMany, languageIndex)),
                                  kinds}));
    if (report.Facts.OtherChannelNotes.Count > 0)
        sentences.push_back(Fill(text(ConversionEntry::OtherChannels), {count(report.Facts.OtherChannelNotes.Count)}));
    if (report.SameSlot.Count > 0 && ResolutionOf(report.Facts.ResolutionMs).Ms > Resolutions.back().Ms)
        sentences.push_back(text(ConversionEntry::FinerKeepsMore));
    std::string line;
    for (const std::string& sentence : sentences)
        line += (line.empty() ? "" : " ") + sentence;
    return line;
}

std::string CompletionText(const TConversionReport& report, std::uint8_t languageIndex)
{
    std::string text = Text(MessageEntry::ProcessDone, languageIndex) + '\n' + ReportSummary(report.Summary, languageIndex);
    const std::string lost = LossLine(report, languageIndex);
    return lost.empty() ? text : text + '\n' + lost;
}

std::vector<std::string> RefusalLines(const TRefusal& refusal, std::uint8_t languageIndex)
{
    const auto text = [languageIndex](ConversionEntry entry) { return Text(entry, languageIndex); };
    const TImageNeeds& needs = refusal.Needs;
    std::vector<std::string> lines;
    switch (refusal.Outcome) {
    case TConversionOutcome::TooManyChangesAtOnce:
        lines.push_back(Text(MessageEntry::TooManyChanges, languageIndex));
        lines.push_back(Fill(text(ConversionEntry::AllOutputsAtOnce), {ClockTime(needs.FullAtMs.value_or(0))}));
        break;
    case TConversionOutcome::DoesNotFit:
        lines.push_back(Text(MessageEntry::DoesNotFit, languageIndex));
        lines.push_back(Fill(text(ConversionEntry::FrameBytesPast), {std::to_string(needs.FrameBytes)}));
        break;
    default:
        lines.push_back(Text(MessageEntry::TooLongForResolution, languageIndex));
        if (!refusal.TrackTooLong)
            lines.push_back(Fill(text(ConversionEntry::SlotPast),
                                 {std::to_string(needs.LastSlot), ClockTime(needs.LastChangeMs)}));
        break;
    }
    if (!refusal.FitsAtKnown)
        return lines;
    if (refusal.FitsAt.empty())
        lines.push_back(text(ConversionEntry::FitsNowhere));
    else
        lines.push_back(Fill(text(ConversionEntry::FitsAt), {ListOfResolutions(refusal.FitsAt, languageIndex)}));
    return lines;
}
