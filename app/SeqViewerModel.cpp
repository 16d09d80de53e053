#include "SeqViewerModel.h"

#include "Text.h"

void TSeqViewerModel::Load(const std::string& seqFileName)
{
    image_.reset();
    error_.reset();
    noFileName_ = seqFileName.empty();
    if (noFileName_)
        return;
    try {
        image_ = ReadSeqImageFile(seqFileName);
    } catch (const ESeqImageError& error) {
        error_ = error;
    }
}

std::string TSeqViewerModel::Problem(std::uint8_t language) const
{
    if (noFileName_)
        return Text(MessageEntry::SeqFileMissing, language);
    if (error_)
        return DescribeImageError(*error_, language);
    return {};
}

std::string TSeqViewerModel::ReportText(std::uint8_t language) const
{
    if (!report_)
        return Text(ViewerEntry::NoReport, language);
    std::string text = ReportSummary(report_->Summary, language) + '\n';
    for (const std::string& line : ReportLines(*report_, language))
        text += line + '\n';
    return text;
}

std::string TSeqViewerModel::Title(std::uint8_t language)
{
    return Text(ViewerEntry::Title, language);
}

std::string TSeqViewerModel::SequenceTab(std::uint8_t language)
{
    return Text(ViewerEntry::SequenceTab, language);
}

std::string TSeqViewerModel::ReportTab(std::uint8_t language)
{
    return Text(ViewerEntry::ReportTab, language);
}
