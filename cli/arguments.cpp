#include "cli/arguments.h"

#include "base/number_text.h"
#include "db/color.h"
#include "curve/constant_value.h"
#include "plotwright/version.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace plotwright::cli {

using base::parseNumber;

namespace {

constexpr std::string_view kDecimalHint = " (numbers use \".\" as the decimal separator)";

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos)
            return parts;
        start = at + 1;
    }
}

// `text` split at the separators outside parentheses, so that "max(1,2),3" is two parts.
std::vector<std::string_view> splitOutsideParentheses(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(')
            ++depth;
        else if (text[i] == ')')
            --depth;
        else if (text[i] == separator && depth == 0) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

// Text that starts as a number does not read as an expression with a name in it.
bool looksLikeNumber(std::string_view text)
{
    return !text.empty() && std::string_view("0123456789.+-").find(text[0]) != std::string_view::npos
           && text.find_first_of("*/^()") == std::string_view::npos;
}

class Parser {
public:
    Parser(const std::vector<std::string>& args, Command command) : args_(args), command_(command) {}

    [[noreturn]] void fail(const std::string& message) const { throw UsageError(message, command_); }

    bool done() const { return next_ >= args_.size(); }

    // The next word; `--name=value` is split into the option and a pending value.
    std::string_view take()
    {
        std::string_view word = args_[next_++];
        if (!afterSeparator_ && word.starts_with("--")) {
            std::size_t eq = word.find('=');
            if (eq != std::string_view::npos) {
                pending_ = std::string(word.substr(eq + 1));
                return word.substr(0, eq);
            }
        }
        return word;
    }

    bool isOption(std::string_view word)
    {
        if (afterSeparator_)
            return false;
        if (word == "--") {
            afterSeparator_ = true;
            return true;
        }
        return word.starts_with("--") && word.size() > 2;
    }
    bool afterSeparator() const { return afterSeparator_; }

    std::string value(std::string_view option)
    {
        if (pending_) {
            std::string v = *pending_;
            pending_.reset();
            return v;
        }
        if (done())
            fail(std::string(option) + " needs a value");
        return args_[next_++];
    }

    void noPendingValue(std::string_view option)
    {
        if (pending_)
            fail(std::string(option) + " takes no value");
    }

    template <typename T>
    void once(std::optional<T>& slot, T v, std::string_view option)
    {
        if (slot)
            fail(std::string(option) + " is given more than once");
        slot = std::move(v);
    }

    // A number or an expression without variables ("2*PI").
    double number(std::string_view text, const std::string& what)
    {
        std::string reason;
        auto v = curve::constantValue(text, &reason);
        if (!v) {
            std::string message = what + ": " + quoted(text) + " is not a finite number";
            if (text.find(',') != std::string_view::npos)
                message += kDecimalHint;
            else if (reason != "not finite" && !looksLikeNumber(text))
                message += " (" + reason + ")";
            fail(message);
        }
        return *v;
    }

private:
    const std::vector<std::string>& args_;
    Command command_;
    std::size_t next_ = 1;
    std::optional<std::string> pending_;
    bool afterSeparator_ = false;
};

// --color N (1..255), BYLAYER or #RRGGBB; empty when the text is none of them.
std::optional<ColorChoice> colorChoice(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (upper == "BYLAYER")
        return ColorChoice{};
    if (upper.size() == 7 && upper[0] == '#') {
        unsigned rgb = 0;
        const auto [ptr, ec] = std::from_chars(upper.data() + 1, upper.data() + 7, rgb, 16);
        if (ec != std::errc() || ptr != upper.data() + 7)
            return std::nullopt;
        return ColorChoice{db::nearestPaletteIndex(rgb), static_cast<std::int32_t>(rgb)};
    }
    int index = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (ec != std::errc() || ptr != text.data() + text.size() || index < 1 || index > 255)
        return std::nullopt;
    return ColorChoice{index, -1};
}

std::optional<UnitsChoice> unitsChoice(std::string_view text)
{
    if (text == "mm")
        return UnitsChoice{4, true};
    if (text == "cm")
        return UnitsChoice{5, true};
    if (text == "m")
        return UnitsChoice{6, true};
    if (text == "in")
        return UnitsChoice{1, false};
    if (text == "ft")
        return UnitsChoice{2, false};
    return std::nullopt;
}

Command commandOf(const std::vector<std::string>& args)
{
    const std::string& word = args[0];
    if (word == "curves")
        return Command::Curves;
    if (word == "show")
        return Command::Show;
    if (word == "sample")
        return Command::Sample;
    if (word == "draw")
        return Command::Draw;
    if (word == "render")
        return Command::Render;
    if (word == "list")
        return Command::List;
    if (word == "redraw")
        return Command::Redraw;
    if (word == "help" || word == "--help" || word == "-h")
        return Command::Help;
    if (word == "library") {
        if (args.size() < 2)
            throw UsageError("library needs a subcommand: convert, check or merge", Command::Help);
        if (args[1] == "convert")
            return Command::LibraryConvert;
        if (args[1] == "check")
            return Command::LibraryCheck;
        if (args[1] == "merge")
            return Command::LibraryMerge;
        throw UsageError("unknown library subcommand " + quoted(args[1]) + " (convert, check or merge)", Command::Help);
    }
    throw UsageError("unknown command " + quoted(word), Command::Help);
}

bool takesCurve(Command c) { return c == Command::Sample || c == Command::Draw; }
// The options that change a curve: sample, draw and redraw.
bool changesCurve(Command c) { return takesCurve(c) || c == Command::Redraw; }

} // namespace

Request parseArguments(const std::vector<std::string>& args)
{
    Request request;
    if (args.empty())
        throw UsageError("no command given", Command::Help);
    if (std::find_if(args.begin(), args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; })
        != args.end())
        return request;
    request.command = commandOf(args);
    if (request.command == Command::Help)
        return request;

    const Command command = request.command;
    const bool library =
        command == Command::LibraryConvert || command == Command::LibraryCheck || command == Command::LibraryMerge;
    // A library subcommand is one more word before the arguments.
    const std::vector<std::string> words = library ? std::vector<std::string>(args.begin() + 1, args.end()) : args;
    Parser p(words, command);
    std::vector<std::string> positional;
    std::optional<std::string> libraryFile, format, out, preview;
    std::optional<std::array<int, 2>> size;
    std::optional<Range> range;
    std::optional<std::array<double, 3>> origin;
    int written = 0;   // --explicit, --parametric, --polar, --space, --implicit

    while (!p.done()) {
        std::string_view word = p.take();
        if (!p.isOption(word)) {
            positional.emplace_back(word);
            continue;
        }
        if (word == "--")
            continue;
        const std::string option(word);
        auto allowed = [&](bool ok) {
            if (!ok)
                p.fail(option + " does not apply to this command");
        };
        if (option == "--library") {
            allowed(command == Command::Curves || command == Command::Show || takesCurve(command));
            p.once(libraryFile, p.value(option), option);
        } else if (option == "--explicit" || option == "--polar") {
            allowed(takesCurve(command));
            request.source = option == "--explicit" ? CurveSource::Explicit : CurveSource::Polar;
            request.expressionY = p.value(option);
            ++written;
        } else if (option == "--parametric") {
            allowed(takesCurve(command));
            p.noPendingValue(option);
            request.source = CurveSource::Parametric;
            request.expressionX = p.value(option + " (X)");
            request.expressionY = p.value(option + " (Y)");
            ++written;
        } else if (option == "--space") {
            allowed(takesCurve(command));
            p.noPendingValue(option);
            request.source = CurveSource::Space;
            request.expressionX = p.value(option + " (X)");
            request.expressionY = p.value(option + " (Y)");
            request.expressionZ = p.value(option + " (Z)");
            ++written;
        } else if (option == "--implicit") {
            allowed(takesCurve(command));
            request.source = CurveSource::Implicit;
            request.expressionY = p.value(option);
            ++written;
        } else if (option == "--window") {
            allowed(changesCurve(command));
            const std::string text = p.value(option);
            const auto axes = splitOutsideParentheses(text, ',');
            std::array<double, 4> w{0, 0, 0, 0};
            if (axes.size() != 2)
                p.fail("--window expects XMIN:XMAX,YMIN:YMAX, got " + quoted(text) + std::string(kDecimalHint));
            for (std::size_t axis = 0; axis < 2; ++axis) {
                const auto ends = split(axes[axis], ':');
                if (ends.size() != 2)
                    p.fail("--window expects XMIN:XMAX,YMIN:YMAX, got " + quoted(text));
                const std::string name = axis == 0 ? "--window X" : "--window Y";
                w[2 * axis] = p.number(ends[0], name + "MIN");
                w[2 * axis + 1] = p.number(ends[1], name + "MAX");
            }
            p.once(request.window, w, option);
        } else if (option == "--grid") {
            allowed(changesCurve(command));
            const std::string text = p.value(option);
            int cells = 0;
            const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), cells);
            if (ec != std::errc() || ptr != text.data() + text.size() || cells < 1)
                p.fail("--grid expects a whole number of cells above 0, got " + quoted(text));
            p.once(request.grid, cells, option);
        } else if (option == "--set") {
            allowed(changesCurve(command));
            std::string assignment = p.value(option);
            std::size_t eq = assignment.find('=');
            if (eq == std::string::npos || eq == 0)
                p.fail("--set expects NAME=VALUE, got " + quoted(assignment));
            std::string name = assignment.substr(0, eq);
            request.assignments.push_back({name, p.number(assignment.substr(eq + 1), "--set " + name)});
        } else if (option == "--range") {
            allowed(changesCurve(command));
            std::string text = p.value(option);
            auto parts = split(text, ':');
            if (parts.size() != 3)
                p.fail("--range expects MIN:MAX:STEP, got " + quoted(text));
            Range r{p.number(parts[0], "--range MIN"), p.number(parts[1], "--range MAX"),
                    p.number(parts[2], "--range STEP")};
            p.once(range, r, option);
        } else if (option == "--origin") {
            allowed(changesCurve(command));
            std::string text = p.value(option);
            auto parts = splitOutsideParentheses(text, ',');
            if (parts.size() < 2 || parts.size() > 3)
                p.fail("--origin expects X,Y or X,Y,Z, got " + quoted(text) + std::string(kDecimalHint));
            std::array<double, 3> point{0, 0, 0};
            for (std::size_t i = 0; i < parts.size(); ++i)
                point[i] = p.number(parts[i], std::string("--origin ") + "XYZ"[i]);
            p.once(origin, point, option);
        } else if (option == "--format") {
            allowed(command == Command::Sample || command == Command::List);
            p.once(format, p.value(option), option);
            if (command == Command::List && *format != "text" && *format != "json")
                p.fail("--format is text or json, not " + quoted(*format));
            if (command == Command::Sample && *format != "csv" && *format != "json")
                p.fail("--format is csv or json, not " + quoted(*format));
        } else if (option == "--tolerance") {
            allowed(changesCurve(command));
            const std::string text = p.value(option);
            const double tolerance = p.number(text, option);
            if (!(std::isfinite(tolerance) && tolerance > 0))
                p.fail("--tolerance must be a number above 0, not " + quoted(text));
            p.once(request.tolerance, tolerance, option);
        } else if (option == "--output") {
            allowed(command == Command::Draw || command == Command::Redraw);
            request.outputGiven = true;
            const std::optional<std::string> kind = p.value(option);
            if (*kind == "polyline")
                request.output = Output::Polyline;
            else if (*kind == "arcs")
                request.output = Output::Arcs;
            else if (*kind == "spline")
                request.output = Output::Spline;
            else
                p.fail("--output is polyline, arcs or spline, not " + quoted(*kind));
        } else if (option == "--rotate" || option == "--scale" || option == "--offset" || option == "--offset-both") {
            allowed(command == Command::Draw || command == Command::Redraw);
            const std::string text = p.value(option);
            const double value = p.number(text, option);
            if (!std::isfinite(value))
                p.fail(option + " must be a finite number, not " + quoted(text));
            if (option == "--rotate") {
                p.once(request.rotate, value, option);
            } else if (option == "--scale") {
                if (!(value > 0))
                    p.fail("--scale must be a number above 0, not " + quoted(text));
                p.once(request.scale, value, option);
            } else {
                if (option == "--offset-both" && !(value > 0))
                    p.fail("--offset-both must be a distance above 0, not " + quoted(text));
                if (request.offset)
                    p.fail("--offset and --offset-both may be given once, not both");
                request.offset = value;
                request.offsetBoth = option == "--offset-both";
            }
        } else if (option == "--mirror" || option == "--no-mirror") {
            allowed(command == Command::Draw || (command == Command::Redraw));
            allowed(option == "--mirror" || command == Command::Redraw);
            p.noPendingValue(option);
            p.once(request.mirror, option == "--mirror", "--mirror");
        } else if (option == "--literal-steps") {
            allowed(changesCurve(command));
            request.literalSteps = true;
        } else if (option == "--verbose") {
            allowed(takesCurve(command));
            request.verbose = true;
        } else if (option == "--force") {
            allowed(command == Command::Redraw);
            p.noPendingValue(option);
            request.force = true;
        } else if (option == "--layer") {
            allowed(command == Command::Draw || command == Command::Redraw);
            std::string name = p.value(option);
            if (name.empty() || name.find_first_of("<>/\\\":;?*|=`") != std::string::npos)
                p.fail("--layer: " + quoted(name) + " is no layer name (empty, or one of <>/\\\":;?*|=` in it)");
            p.once(request.layer, std::move(name), option);
        } else if (option == "--color") {
            allowed(command == Command::Draw || command == Command::Redraw);
            const std::string text = p.value(option);
            const std::optional<ColorChoice> color = colorChoice(text);
            if (!color)
                p.fail("--color is a colour number 1 to 255, BYLAYER or #RRGGBB, not " + quoted(text));
            p.once(request.color, *color, option);
        } else if (option == "--units") {
            allowed(command == Command::Draw);
            const std::string text = p.value(option);
            const std::optional<UnitsChoice> units = unitsChoice(text);
            if (!units)
                p.fail("--units is mm, cm, m, in or ft, not " + quoted(text));
            p.once(request.units, *units, option);
        } else if (option == "--out") {
            allowed(command == Command::Draw);
            p.once(out, p.value(option), option);
        } else if (option == "--replace") {
            allowed(command == Command::LibraryMerge);
            p.noPendingValue(option);
            request.replace = true;
        } else if (option == "--preview") {
            allowed(command == Command::Draw);
            p.once(preview, p.value(option), option);
        } else if (option == "--size") {
            allowed(command == Command::Render);
            const std::string text = p.value(option);
            const auto parts = split(text, 'x');
            std::array<int, 2> wh{0, 0};
            for (std::size_t i = 0; parts.size() == 2 && i < 2; ++i) {
                const std::string_view part = parts[i];
                const auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), wh[i]);
                if (ec != std::errc() || ptr != part.data() + part.size())
                    wh[i] = 0;
            }
            if (wh[0] < 16 || wh[1] < 16 || wh[0] > 20000 || wh[1] > 20000)
                p.fail("--size expects WIDTHxHEIGHT in pixels, 16 to 20000 each, got " + quoted(text));
            p.once(size, wh, option);
        } else {
            p.fail("unknown option " + quoted(option));
        }
    }

    request.library = libraryFile;
    if (range)
        request.range = *range;
    if (origin)
        request.origin = *origin;
    request.originGiven = origin.has_value();
    request.format = format && *format == "json" ? Format::Json
                     : command == Command::List ? Format::Text
                                                : Format::Csv;
    request.preview = preview;
    request.size = size;

    auto expectPositional = [&](std::size_t count, const char* what) {
        if (positional.size() < count)
            p.fail(std::string("missing ") + what);
        if (positional.size() > count)
            p.fail("unexpected argument " + quoted(positional[count]));
    };

    switch (command) {
    case Command::Curves:
        expectPositional(0, "");
        break;
    case Command::Show:
        expectPositional(1, "curve NAME");
        request.name = positional[0];
        break;
    case Command::Sample:
    case Command::Draw:
        if (written > 1)
            p.fail("give one of --explicit, --parametric, --polar, --space and --implicit");
        if (written == 1) {
            expectPositional(0, "");
            if (request.library)
                p.fail("--library applies to a curve NAME, not to --explicit, --parametric, --polar, --space or "
                       "--implicit");
            if (request.source == CurveSource::Implicit && !request.window)
                p.fail("--implicit needs --window XMIN:XMAX,YMIN:YMAX");
        } else {
            expectPositional(1, "curve: NAME, --explicit Y, --parametric X Y, --polar R, --space X Y Z or --implicit F");
            request.name = positional[0];
        }
        if (command == Command::Draw) {
            if (!out)
                p.fail("draw needs --out DRAWING.dxf");
            request.out = *out;
        }
        break;
    case Command::List:
        expectPositional(1, "DRAWING.dxf");
        request.in = positional[0];
        break;
    case Command::Redraw:
        expectPositional(2, "DRAWING.dxf and the curve's ID or a piece's HANDLE");
        request.in = positional[0];
        request.curve = positional[1];
        break;
    case Command::Render:
        expectPositional(2, "DRAWING.dxf and OUT.svg or OUT.png");
        request.in = positional[0];
        request.out = positional[1];
        break;
    case Command::LibraryConvert:
        expectPositional(2, "IN.xml and OUT.xml");
        request.in = positional[0];
        request.out = positional[1];
        break;
    case Command::LibraryCheck:
        expectPositional(1, "FILE");
        request.in = positional[0];
        break;
    case Command::LibraryMerge:
        expectPositional(2, "FROM.xml and INTO.xml");
        request.in = positional[0];
        request.out = positional[1];
        break;
    case Command::Help:
        break;
    }
    return request;
}

std::string usageText(Command command)
{
    const std::string curve = "CURVE [--set NAME=VALUE]... [--range MIN:MAX:STEP] [--window XMIN:XMAX,YMIN:YMAX]"
                              " [--grid N] [--origin X,Y[,Z]] [--tolerance T] [--literal-steps] [--verbose]";
    const std::string redraw = "DRAWING.dxf ID-OR-HANDLE [--set NAME=VALUE]... [--range MIN:MAX:STEP]"
                               " [--window XMIN:XMAX,YMIN:YMAX] [--grid N] [--origin X,Y[,Z]] [--tolerance T] [--output polyline|arcs|spline]"
                               " [--literal-steps] [--rotate DEG] [--scale S] [--mirror|--no-mirror]"
                               " [--offset D|--offset-both D] [--layer NAME] [--color N|BYLAYER|#RRGGBB] [--force]";
    const std::string drawing = " [--output polyline|arcs|spline] [--rotate DEG] [--scale S] [--mirror]"
                                " [--offset D|--offset-both D] [--layer NAME] [--color N|BYLAYER|#RRGGBB]"
                                " [--units mm|cm|m|in|ft] --out DRAWING.dxf [--preview IMAGE.svg|IMAGE.png]";
    switch (command) {
    case Command::Curves:
        return "usage: plotwright curves [--library FILE]\n";
    case Command::Show:
        return "usage: plotwright show NAME [--library FILE]\n";
    case Command::Sample:
        return "usage: plotwright sample " + curve + " [--format csv|json]\n"
               "  CURVE = NAME [--library FILE] | --explicit Y | --parametric X Y | --polar R | --space X Y Z\n"
               "          | --implicit F --window XMIN:XMAX,YMIN:YMAX [--grid N]\n";
    case Command::Draw:
        return "usage: plotwright draw " + curve + drawing + "\n"
               "  CURVE = NAME [--library FILE] | --explicit Y | --parametric X Y | --polar R | --space X Y Z\n"
               "          | --implicit F --window XMIN:XMAX,YMIN:YMAX [--grid N]\n";
    case Command::Render:
        return "usage: plotwright render DRAWING.dxf OUT.svg|OUT.png [--size WxH]\n";
    case Command::List:
        return "usage: plotwright list DRAWING.dxf [--format text|json]\n";
    case Command::Redraw:
        return "usage: plotwright redraw " + redraw + "\n";
    case Command::LibraryConvert:
        return "usage: plotwright library convert IN.xml OUT.xml\n";
    case Command::LibraryCheck:
        return "usage: plotwright library check FILE\n";
    case Command::LibraryMerge:
        return "usage: plotwright library merge FROM.xml INTO.xml [--replace]\n";
    case Command::Help:
        break;
    }
    return "usage: plotwright curves [--library FILE]\n"
           "       plotwright show NAME [--library FILE]\n"
           "       plotwright sample " + curve + " [--format csv|json]\n"
           "       plotwright draw " + curve + drawing + "\n"
           "       plotwright render DRAWING.dxf OUT.svg|OUT.png [--size WxH]\n"
           "       plotwright list DRAWING.dxf [--format text|json]\n"
           "       plotwright redraw " + redraw + "\n"
           "       plotwright library convert IN.xml OUT.xml\n"
           "       plotwright library check FILE\n"
           "       plotwright library merge FROM.xml INTO.xml [--replace]\n"
           "       plotwright --version\n"
           "  CURVE = NAME [--library FILE] | --explicit Y | --parametric X Y | --polar R | --space X Y Z\n"
               "          | --implicit F --window XMIN:XMAX,YMIN:YMAX [--grid N]\n"
           "Try 'plotwright --help' for more.\n";
}

std::string versionText() { return "plotwright " PLOTWRIGHT_VERSION "\n"; }

std::string helpText()
{
    return R"(plotwright - draw mathematical curves into DXF drawings

Commands:
  plotwright curves [--library FILE]
      The names of the library's curves, one per line, in library order.
  plotwright show NAME [--library FILE]
      The curve's kind, its expressions and its parameter table.
  plotwright sample CURVE [OPTIONS] [--format csv|json]
      The sampled points. csv (the default): one "x,y,z" line per point; json: an
      array of [x, y, z] arrays. Numbers have 17 significant digits; a coordinate that
      is not finite (division by zero, square root of a negative number) is written
      as nan, inf or -inf in csv and as null in json.
  plotwright draw CURVE [OPTIONS] [DRAWING OPTIONS] --out DRAWING.dxf
      Adds the curve to DRAWING.dxf as a lightweight polyline in model space (the file
      is created when missing; what it held stays as it was) and prints the new
      entity's handle. Where points are not finite the curve is broken there: each run
      of finite points becomes its own polyline, and every new handle is printed, one
      per line. A draw that adds nothing does not create the drawing.
      A read-only drawing, a symbolic link to nothing, or a drawing that another
      program changed while this one worked, is refused and left as it was; draws
      into the same drawing at once wait for each other, and draws started at once
      into a drawing that does not exist yet all land (the first creates it).
  plotwright render DRAWING.dxf OUT.svg|OUT.png [--size WxH]
      A picture of the drawing's model space as the editor shows it (every entity
      kind, blocks, text, layer colours; layers that are off or frozen left out), on
      white: SVG, or PNG by the file's ending. --size gives the picture's size in
      pixels (default: 1000 pixels for the drawing's longer side).
  plotwright list DRAWING.dxf [--format text|json]
      The curves drawn into DRAWING.dxf that carry their definition: the curve's id,
      the handles of its pieces, its name, kind, expressions, parameters, range,
      origin and drawing options. json gives every number in the shortest form that
      reads back as the same double (a value that is not finite as "nan", "inf" or
      "-inf"). Curves drawn before definitions were kept are not listed.
  plotwright redraw DRAWING.dxf ID-OR-HANDLE [OPTIONS] [--output KIND] [--layer NAME]
                    [--color COLOR] [--force]
      Draws a listed curve again from its definition with the changes OPTIONS give
      (--set, --range, --origin, --tolerance, --literal-steps, --output), in place of
      all of its pieces, on the same layer in the same colour (unless --layer or
      --color say otherwise), and prints the new handles; the curve keeps its id. A
      curve moved as a whole stays where it was moved to; a curve any of whose
      vertices was changed otherwise is refused (exit 5) unless --force, which
      replaces the changes. A refused redraw leaves the file as it was.
  plotwright library convert IN.xml OUT.xml
      Reads a curve library and writes it again in the library file format.
  plotwright library check FILE
      Parses FILE with the markup parser and prints its result text: the first
      markup error with its offset, or "well-formed".
  plotwright library merge FROM.xml INTO.xml [--replace]
      Adds FROM's curves to INTO (created when missing) and prints one line per curve
      renamed. A curve whose name INTO already holds is added with a number: NAME (2),
      or the next free one; --replace puts it in place of the curve of that name instead.
      INTO is replaced only once the whole result is written, and is left alone when
      it is not a well-formed library.
  plotwright --version
      The program's name and version.

Curves:
  NAME [--library FILE]   a named curve of FILE, or of the built-in default list;
                          the word "gallery" names the gallery of classic curves
                          installed with the program; ./gallery is a file of that name
  --explicit Y            y = Y(x): running variable "x"
  --parametric X Y        x = X(t), y = Y(t): running variable "t"
  --polar R               r = R(t), t in radians: running variable "t"
  --space X Y Z           x = X(t), y = Y(t), z = Z(t): running variable "t"; drawn as a
                          3-D polyline (or spline) from the origin's Z up
  --implicit F            F(x, y) = 0 within --window XMIN:XMAX,YMIN:YMAX (needed), on
                          a grid of --grid N cells along the window's longer side
                          (default 200) that finds every branch at least a cell in
                          size; traced within the tolerance (default 1/1000 of the
                          window's diagonal); --range does not apply
  A curve written on the command line runs from 0 to 10 in steps of 0.1; every name
  its expressions use other than the running variable is a constant that --set gives
  a value ("--parametric 'a*cos(t)' 'a*sin(t)' --set a=5").

Options:
  --set NAME=VALUE        the value of the constant NAME (repeatable)
  --range MIN:MAX:STEP    the running variable's start, end (inclusive) and step
  --origin X,Y[,Z]        where the curve's origin lies in the drawing (default 0,0,0;
                          Z is used by space curves; the others lie at elevation 0)
  --window XMIN:XMAX,YMIN:YMAX
                          an implicit curve's window (redraw: a new one)
  --grid N                an implicit curve's cells along the window's longer side
  --tolerance T           adaptive sampling: the step of the range gives a coarse grid,
                          refined until the chords lie within T drawing units of the
                          curve; the curve is broken where it jumps and ends where it
                          stops being defined. sample prints a line nan,nan,0 (json:
                          [null,null,0]) between the runs of such a curve.
  --output polyline|arcs|spline
                          draw: chords (the default), circular arcs (a polyline with
                          bulges) or a cubic spline (SPLINE), each within the tolerance;
                          without --tolerance arcs and splines use 1/1000 of the curve's
                          extent (--verbose says which)
  --literal-steps         the old stepping: start, start + step, ... while not past the
                          end, without sampling the end itself; no closed outlines
  --rotate DEG            draw, redraw: turn the curve about its origin, counter-clockwise
  --scale S               draw, redraw: scale it about its origin (S above 0)
  --mirror                draw, redraw: mirror it about its own x axis (before turning;
                          redraw --no-mirror takes a mirror away). Arcs stay arcs.
  --offset D              draw, redraw: the curve offset by D to the left of its direction
                          of travel (negative D: to the right), from the curve's own
                          derivative, within the tolerance; loops and swallowtails are cut
                          out where the offset crosses itself, cusps get a round join of
                          radius D (redraw --offset 0 takes an offset away)
  --offset-both D         draw, redraw: the offsets by D on both sides (D above 0)
  --verbose               say which tolerance was used
  The values of --set, --range, --origin and --tolerance may be expressions without
  variables: --range 0:2*PI:PI/180, --set a=360/7.
  By default the range's end is always sampled, and a curve that returns to its start
  (within 1e-5 of its extent, or the tolerance) is drawn as a closed polyline.
  Numbers always use "." as the decimal separator, whatever the locale: "1.5", not "1,5".

Drawing options (draw; redraw takes --layer and --color):
  --layer NAME            the layer of the new entities, made when the drawing has none
                          of that name, in --color's colour (white for BYLAYER or none);
                          default: the drawing's current layer (redraw: the curve's own)
  --color N|BYLAYER|#RRGGBB
                          the colour of the new entities: a colour number 1 to 255,
                          BYLAYER (the default), or a true colour, written with the
                          nearest colour number for programs that read only that
  --units mm|cm|m|in|ft   the units of a new drawing ($INSUNITS, $MEASUREMENT); a
                          drawing that exists keeps its units (a warning says so)
  --preview IMAGE.svg|IMAGE.png
                          a picture of all of the drawing's model space, SVG or PNG by
                          the name's ending; any other ending is refused before drawing

Expressions: + - * / ^, unary -, < > <= >= == != (1 or 0), and, or, xor, parentheses;
  sin cos tan asin acos atan sinh cosh tanh asinh acosh atanh (radians), log (base 10),
  log10, log2, ln, exp, sqrt, sign, rint, floor, ceil, abs, if(c, a, b) (a when c is
  1), mod(a, b) (the remainder of a / b, with the sign of a), atan2(y, x) (the angle of
  the point x, y), hypot(x, y), sum avg min max (one or more arguments); constants PI
  and e. The comma separates a function's arguments only: "x*1,5" is an error.

Messages and exit status:
  0   the whole curve was produced (or the command succeeded)
  1   "Invalid parameter(s) provided!": the constants or the range were refused and
      nothing was produced; a second line names the value, the rule and the bound
      ("k = 11 is above its upper bound 10"); library check: the file is not
      well-formed
  2   "Error in equation": an expression could not be evaluated; a second line says
      what was wrong and where ("y = pi*x: unknown name "pi" at character 1"); the
      points produced before the failure are still printed or drawn
  3   a file could not be read or written (the message names the file and the reason);
      draw: the drawing was not changed
  4   draw: the drawing was saved (its new handles are printed), only the preview could
      not be written; do not repeat the draw
  5   redraw: the drawing holds no such curve, or its pieces were changed by hand and
      --force was not given; the drawing was not changed
  6   draw: nothing was drawn, because no point of the curve is defined (every sample
      is not finite) or the range holds no sample; a drawing that did not exist is not created
  64  the command line is wrong (the message says why, followed by the usage)
)";
}

} // namespace plotwright::cli
