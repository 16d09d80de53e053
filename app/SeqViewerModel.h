#pragma once
// What "View sequence..." shows, whatever draws it: the image of the
// sequence file named (or why there is none) and the report of the last
// conversion, with every text of the viewer in either language.

#include <cstdint>
#include <optional>
#include <string>

#include "ConversionReport.h"
#include "SeqImage.h"

class TSeqViewerModel {
public:
    // Reads seqFileName: its image, or why there is none.
    void Load(const std::string& seqFileName);
    // The report of the last conversion; none before the first.
    void SetReport(const std::optional<TConversionReport>& report) { report_ = report; }

    // The image when it could be read and checked, else null.
    const TSeqImage* Image() const { return image_ ? &*image_ : nullptr; }
    // Why no picture shows; empty while one shows.
    std::string Problem(std::uint8_t language) const;
    // The report's summary and lines, or that there is none yet.
    std::string ReportText(std::uint8_t language) const;

    static std::string Title(std::uint8_t language);
    static std::string SequenceTab(std::uint8_t language);
    static std::string ReportTab(std::uint8_t language);

private:
    std::optional<TSeqImage> image_;
    bool noFileName_ = false;
    std::optional<ESeqImageError> error_;
    std::optional<TConversionReport> report_;
};
