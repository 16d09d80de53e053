#include "SvgPicture.h"

#include <cstdio>


namespace {

// A coordinate with at most two decimals, no trailing zeros.
std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string number = text;
    number.erase(number.find_last_not_of('0') + 1);
    if (number.back() == '.')
        number.pop_back();
    return number == "-0" ? "0" : number;
}

std::string Colour(TRgb c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.R, c.G, c.B);
    return text;
}

std::string Escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

const char* Anchor(TTextAnchor anchor)
{
    switch (anchor) {
    case TTextAnchor::Middle: return "middle";
    case TTextAnchor::End: return "end";
    case TTextAnchor::Start: break;
    }
    return "start";
}

std::string Rect(double x, double y, double width, double height, TRgb colour, const char* cls = nullptr)
{
    std::string rect = "<rect";
    if (cls != nullptr)
        rect += std::string(" class=\"") + cls + '"';
    return rect + " x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(width) + "\" height=\"" +
           Number(height) + "\" fill=\"" + Colour(colour) + '"';
}

}  // namespace

std::string SequenceSvg(const TSeqPicture& picture)
{
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      Number(picture.Width) + "\" height=\"" + Number(picture.Height) + "\" viewBox=\"0 0 " +
                      Number(picture.Width) + ' ' + Number(picture.Height) +
                      "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" font-size=\"" +
                      Number(picture.FontSize) + "\">\n";
    svg += Rect(0, 0, picture.Width, picture.Height, picture.Background) + "/>\n<g class=\"bands\">\n";
    for (const TPictureRect& band : picture.Bands)
        svg += Rect(band.X, band.Y, band.Width, band.Height, band.Colour) + "/>\n";
    svg += "</g>\n<g class=\"grid\" stroke-width=\"1\">\n";
    for (const TPictureLine& line : picture.Lines)
        svg += "<line x1=\"" + Number(line.X1) + "\" y1=\"" + Number(line.Y1) + "\" x2=\"" + Number(line.X2) +
               "\" y2=\"" + Number(line.Y2) + "\" stroke=\"" + Colour(line.Colour) + "\"/>\n";
    svg += "</g>\n<g class=\"bars\">\n";
    for (const TPictureBar& bar : picture.Bars) {
        svg += Rect(bar.X, bar.Y, bar.Width, bar.Height, bar.Colour, "bar") + "><title>" +
               Escaped(BarText(picture, bar)) + "</title></rect>\n";
    }
    svg += "</g>\n<g class=\"labels\">\n";
    for (const TPictureText& text : picture.Texts) {
        svg += "<text x=\"" + Number(text.X) + "\" y=\"" + Number(text.Y) + '"';
        if (text.Anchor != TTextAnchor::Start)
            svg += std::string(" text-anchor=\"") + Anchor(text.Anchor) + '"';
        if (text.Bold)
            svg += " font-weight=\"bold\"";
        svg += " fill=\"" + Colour(text.Colour) + "\">" + Escaped(text.Text) + "</text>\n";
    }
    return svg + "</g>\n</svg>\n";
}
