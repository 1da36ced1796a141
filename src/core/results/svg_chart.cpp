// A chart as one self-contained SVG element: title, legend, a frame with
// grid lines, ticks and tick labels, axis titles, and the series as lines,
// dots or bars. No script, no style sheet, no reference outside the element,
// so that any number of them sit inline in one HTML page.
//
// Axes: "nice" steps of 1, 2 or 5 times a power of ten over the finite values
// of all series; a dates axis (days since 1-1-1970) ticks on 1 January and
// labels the years. Bars grow from zero, so their axis always holds zero. A
// reversed axis draws larger values lower, as levels in cm-mv are drawn.
// Series marked for the second axis are drawn against one of their own on
// the right, with its ticks and title there and no grid lines.
// Points with a NaN or infinite coordinate are left out; a line breaks there.
#include "results/svg_chart.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "results/axis_ticks.h"
#include "results/report_columns.h"
#include "results/report_files.h"

namespace phreatix {

namespace {

struct Range {
  double lo = 0;
  double hi = 0;
  bool any = false;
  void add(double v) {
    if (!any) {
      lo = hi = v;
      any = true;
    } else {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
};

using Tick = AxisTick;

bool validPoint(const ChartSeries& s, std::size_t i) {
  return std::isfinite(s.x[i]) && std::isfinite(s.y[i]);
}
std::size_t pointCount(const ChartSeries& s) { return std::min(s.x.size(), s.y.size()); }

// Number of characters of UTF-8 text, for the width of the legend.
std::size_t glyphCount(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string hexColour(const Rgb& c) {
  static const char* kHex = "0123456789abcdef";
  std::string s = "#";
  for (int v : {c.r, c.g, c.b}) {
    v = std::clamp(v, 0, 255);
    s += kHex[v / 16];
    s += kHex[v % 16];
  }
  return s;
}

// Pixel coordinates with one decimal.
std::string px(double v) { return decimalText(v, 1); }

// The smallest distance between two neighbouring bars of a series, in data
// units; 0 for a series of fewer than two distinct positions.
double barSpacing(const ChartSeries& s) {
  std::vector<double> xs;
  for (std::size_t i = 0; i < pointCount(s); ++i) {
    if (validPoint(s, i)) xs.push_back(s.x[i]);
  }
  std::sort(xs.begin(), xs.end());
  double spacing = 0;
  for (std::size_t i = 1; i < xs.size(); ++i) {
    const double d = xs[i] - xs[i - 1];
    if (d > 0 && (spacing == 0 || d < spacing)) spacing = d;
  }
  return spacing;
}

// Days since 1-1-1970 of 1 January of a year, and the year of a day. Dates
// beyond some thousands of years are no dates of this program; such an axis
// is drawn as a plain number axis.
constexpr double kLargestDateDays = 3.0e6;
double yearStartDays(int year) {
  using namespace std::chrono;
  return sys_days{std::chrono::year{year} / January / 1}.time_since_epoch().count();
}
int yearOfDays(double days) {
  using namespace std::chrono;
  const sys_days day{std::chrono::days{static_cast<long>(std::floor(days))}};
  return static_cast<int>(year_month_day{day}.year());
}

// Ticks at 1 January, every 1, 2, 5, 10, ... years so that at most about ten
// carry a label; the range widens to whole years.
std::vector<Tick> yearTicks(Range& r) {
  const int first = yearOfDays(r.lo);
  int last = yearOfDays(r.hi);
  if (yearStartDays(last) < r.hi || last == first) ++last;
  int step = 1;
  for (int candidate : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000}) {
    step = candidate;
    if ((last - first) / candidate <= 10) break;
  }
  r.lo = yearStartDays(first);
  r.hi = yearStartDays(last);
  std::vector<Tick> ticks;
  for (int y = first; y <= last; ++y) {
    if (y % step == 0) ticks.push_back({yearStartDays(y), std::to_string(y)});
  }
  return ticks;
}

// Ticks at a round step giving about five intervals; the range widens to
// whole steps.
std::vector<Tick> numberTicks(Range& r) { return widenedTicks(r.lo, r.hi, 5); }

// A range that can be drawn: data or not, distinct ends.
void settle(Range& r, bool dates) {
  if (!r.any) {
    r.lo = dates ? yearStartDays(2000) : 0;
    r.hi = dates ? yearStartDays(2001) : 1;
  } else if (r.lo == r.hi) {
    const double pad = dates ? 183 : std::max(1.0, std::abs(r.lo) * 0.05);
    r.lo -= pad;
    r.hi += pad;
  }
}

std::vector<Tick> ticksFor(Range& r, bool dates) {
  settle(r, dates);
  const bool drawableDates =
      dates && std::abs(r.lo) < kLargestDateDays && std::abs(r.hi) < kLargestDateDays;
  return drawableDates ? yearTicks(r) : numberTicks(r);
}

// The plot area and the mapping of data to pixels.
struct Frame {
  double left, right, top, bottom;
  Range x, y;
  bool yReversed;
  double mapX(double v) const { return left + (v - x.lo) / (x.hi - x.lo) * (right - left); }
  double mapY(double v) const {
    const double t = (v - y.lo) / (y.hi - y.lo);
    return yReversed ? top + t * (bottom - top) : bottom - t * (bottom - top);
  }
};

void drawLine(std::string& out, const ChartSeries& s, const Frame& f, const std::string& colour) {
  // One polyline per run of valid points; a lone point becomes a dot.
  std::vector<std::pair<double, double>> run;
  auto flush = [&] {
    if (run.size() == 1) {
      out += "<circle cx=\"" + px(run[0].first) + "\" cy=\"" + px(run[0].second) +
             "\" r=\"2\" fill=\"" + colour + "\"/>\n";
    } else if (run.size() > 1) {
      out += "<polyline fill=\"none\" stroke=\"" + colour +
             "\" stroke-width=\"1.3\" stroke-linejoin=\"round\" points=\"";
      for (std::size_t i = 0; i < run.size(); ++i) {
        if (i > 0) out += ' ';
        out += px(run[i].first) + "," + px(run[i].second);
      }
      out += "\"/>\n";
    }
    run.clear();
  };
  for (std::size_t i = 0; i < pointCount(s); ++i) {
    if (validPoint(s, i)) {
      run.emplace_back(f.mapX(s.x[i]), f.mapY(s.y[i]));
    } else {
      flush();
    }
  }
  flush();
}

void drawPoints(std::string& out, const ChartSeries& s, const Frame& f, const std::string& colour) {
  out += "<g fill=\"" + colour + "\">\n";
  for (std::size_t i = 0; i < pointCount(s); ++i) {
    if (!validPoint(s, i)) continue;
    out +=
        "<circle cx=\"" + px(f.mapX(s.x[i])) + "\" cy=\"" + px(f.mapY(s.y[i])) + "\" r=\"2.5\"/>\n";
  }
  out += "</g>\n";
}

void drawBars(std::string& out, const ChartSeries& s, const Frame& f, const std::string& colour) {
  // Bars 80 % of the spacing of their positions wide; a single bar a
  // twentieth of the plot.
  const double spacing = barSpacing(s);
  const double widthPx =
      spacing > 0 ? 0.8 * std::abs(f.mapX(spacing) - f.mapX(0)) : (f.right - f.left) / 20;
  const double basePx = f.mapY(std::clamp(0.0, f.y.lo, f.y.hi));
  out += "<g fill=\"" + colour + "\" fill-opacity=\"0.75\">\n";
  for (std::size_t i = 0; i < pointCount(s); ++i) {
    if (!validPoint(s, i)) continue;
    const double valuePx = f.mapY(s.y[i]);
    out += "<rect x=\"" + px(f.mapX(s.x[i]) - widthPx / 2) + "\" y=\"" +
           px(std::min(valuePx, basePx)) + "\" width=\"" + px(widthPx) + "\" height=\"" +
           px(std::abs(valuePx - basePx)) + "\"/>\n";
  }
  out += "</g>\n";
}

void text(std::string& out, double x, double y, const std::string& anchor, std::string_view body,
          const std::string& extra = {}) {
  out += "<text x=\"" + px(x) + "\" y=\"" + px(y) + "\" text-anchor=\"" + anchor + "\"" + extra +
         ">" + markupEscaped(body) + "</text>\n";
}

}  // namespace

std::string markupEscaped(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  for (char ch : body) {
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        if (static_cast<unsigned char>(ch) < 0x20 && ch != '\t' && ch != '\n') {
          out += ' ';
        } else {
          out += ch;
        }
    }
  }
  return out;
}

std::string chartSvg(const Chart& chart, int width, int height) {
  const double w = std::max(width, 160);
  const double h = std::max(height, 120);
  constexpr double kCharWidth = 7;  // about, for 12 px sans-serif

  // Legend rows below the title, as many as the names need.
  struct LegendItem {
    const ChartSeries* series;
    double x, y;
  };
  std::vector<LegendItem> legend;
  double lx = 70, ly = 40;
  for (const ChartSeries& s : chart.series) {
    const double itemWidth = 22 + kCharWidth * static_cast<double>(glyphCount(s.name)) + 18;
    if (lx > 70 && lx + itemWidth > w - 10) {
      lx = 70;
      ly += 18;
    }
    legend.push_back({&s, lx, ly});
    lx += itemWidth;
  }

  // The second axis, on the right, only for a chart with series against it.
  Range xr, yr, y2r;
  bool anyBars = false, anyBars2 = false, second = false;
  for (const ChartSeries& s : chart.series) {
    const double halfBar = s.kind == ChartSeries::Kind::kBars ? barSpacing(s) / 2 : 0;
    second = second || s.secondAxis;
    for (std::size_t i = 0; i < pointCount(s); ++i) {
      if (!validPoint(s, i)) continue;
      xr.add(s.x[i] - halfBar);
      xr.add(s.x[i] + halfBar);
      (s.secondAxis ? y2r : yr).add(s.y[i]);
      if (s.kind == ChartSeries::Kind::kBars) (s.secondAxis ? anyBars2 : anyBars) = true;
    }
  }
  const bool empty = !yr.any && !y2r.any;
  if (anyBars) yr.add(0);
  if (anyBars2) y2r.add(0);

  Frame f;
  f.left = 70;
  f.right = second ? w - 70 : w - 20;
  f.top = (legend.empty() ? 30 : legend.back().y) + 16;
  f.bottom = std::max(f.top + 20, h - 48);
  f.yReversed = chart.y.reversed;
  const std::vector<Tick> xTicks = ticksFor(xr, chart.x.dates);
  const std::vector<Tick> yTicks = ticksFor(yr, chart.y.dates);
  f.x = xr;
  f.y = yr;
  Frame f2 = f;
  std::vector<Tick> y2Ticks;
  if (second) {
    // A little room at both ends, so that a contribution that stays at 0
    // or at its full size before or after its change is not drawn on the
    // frame.
    if (y2r.any && y2r.hi > y2r.lo) {
      const double pad = 0.05 * (y2r.hi - y2r.lo);
      y2r.lo -= anyBars2 && y2r.lo == 0 ? 0 : pad;
      y2r.hi += anyBars2 && y2r.hi == 0 ? 0 : pad;
    }
    y2Ticks = ticksFor(y2r, chart.y2.dates);
    f2.y = y2r;
    f2.yReversed = chart.y2.reversed;
  }

  std::string out;
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + px(w) + "\" height=\"" + px(h) +
         "\" viewBox=\"0 0 " + px(w) + " " + px(h) +
         "\" role=\"img\" font-family=\"sans-serif\" font-size=\"12\">\n";
  out += "<title>" + markupEscaped(chart.title) + "</title>\n";
  out +=
      "<rect x=\"0\" y=\"0\" width=\"" + px(w) + "\" height=\"" + px(h) + "\" fill=\"#ffffff\"/>\n";
  text(out, w / 2, 20, "middle", chart.title, " font-size=\"14\" font-weight=\"bold\"");

  for (const LegendItem& item : legend) {
    const std::string colour = hexColour(item.series->colour);
    const double cy = item.y - 4;
    switch (item.series->kind) {
      case ChartSeries::Kind::kLine:
        out += "<line x1=\"" + px(item.x) + "\" y1=\"" + px(cy) + "\" x2=\"" + px(item.x + 16) +
               "\" y2=\"" + px(cy) + "\" stroke=\"" + colour + "\" stroke-width=\"2\"/>\n";
        break;
      case ChartSeries::Kind::kPoints:
        out += "<circle cx=\"" + px(item.x + 8) + "\" cy=\"" + px(cy) + "\" r=\"3\" fill=\"" +
               colour + "\"/>\n";
        break;
      case ChartSeries::Kind::kBars:
        out += "<rect x=\"" + px(item.x + 2) + "\" y=\"" + px(cy - 5) +
               "\" width=\"12\" height=\"10\" fill=\"" + colour + "\"/>\n";
        break;
    }
    text(out, item.x + 22, item.y, "start", item.series->name);
  }

  // Grid, ticks and tick labels.
  out += "<g stroke=\"#dddddd\" stroke-width=\"1\">\n";
  for (const Tick& t : xTicks) {
    const double x = f.mapX(t.value);
    out += "<line x1=\"" + px(x) + "\" y1=\"" + px(f.top) + "\" x2=\"" + px(x) + "\" y2=\"" +
           px(f.bottom) + "\"/>\n";
  }
  for (const Tick& t : yTicks) {
    const double y = f.mapY(t.value);
    out += "<line x1=\"" + px(f.left) + "\" y1=\"" + px(y) + "\" x2=\"" + px(f.right) + "\" y2=\"" +
           px(y) + "\"/>\n";
  }
  out += "</g>\n<g stroke=\"#333333\" stroke-width=\"1\">\n";
  for (const Tick& t : xTicks) {
    const double x = f.mapX(t.value);
    out += "<line x1=\"" + px(x) + "\" y1=\"" + px(f.bottom) + "\" x2=\"" + px(x) + "\" y2=\"" +
           px(f.bottom + 5) + "\"/>\n";
  }
  for (const Tick& t : yTicks) {
    const double y = f.mapY(t.value);
    out += "<line x1=\"" + px(f.left - 5) + "\" y1=\"" + px(y) + "\" x2=\"" + px(f.left) +
           "\" y2=\"" + px(y) + "\"/>\n";
  }
  out += "</g>\n";
  for (const Tick& t : xTicks) text(out, f.mapX(t.value), f.bottom + 18, "middle", t.label);
  for (const Tick& t : yTicks) text(out, f.left - 8, f.mapY(t.value) + 4, "end", t.label);
  if (second) {
    out += "<g stroke=\"#333333\" stroke-width=\"1\">\n";
    for (const Tick& t : y2Ticks) {
      const double y = f2.mapY(t.value);
      out += "<line x1=\"" + px(f.right) + "\" y1=\"" + px(y) + "\" x2=\"" + px(f.right + 5) +
             "\" y2=\"" + px(y) + "\"/>\n";
    }
    out += "</g>\n";
    for (const Tick& t : y2Ticks) text(out, f.right + 8, f2.mapY(t.value) + 4, "start", t.label);
  }

  // Series, in the order given: later ones on top.
  for (const ChartSeries& s : chart.series) {
    const std::string colour = hexColour(s.colour);
    const Frame& frame = s.secondAxis ? f2 : f;
    switch (s.kind) {
      case ChartSeries::Kind::kLine:
        drawLine(out, s, frame, colour);
        break;
      case ChartSeries::Kind::kPoints:
        drawPoints(out, s, frame, colour);
        break;
      case ChartSeries::Kind::kBars:
        drawBars(out, s, frame, colour);
        break;
    }
  }
  if (empty) {
    text(out, (f.left + f.right) / 2, (f.top + f.bottom) / 2, "middle", "geen gegevens",
         " fill=\"#777777\"");
  }

  out += "<rect x=\"" + px(f.left) + "\" y=\"" + px(f.top) + "\" width=\"" + px(f.right - f.left) +
         "\" height=\"" + px(f.bottom - f.top) + "\" fill=\"none\" stroke=\"#333333\"/>\n";
  text(out, (f.left + f.right) / 2, h - 10, "middle", chart.x.title);
  const double yMid = (f.top + f.bottom) / 2;
  text(out, 16, yMid, "middle", chart.y.title, " transform=\"rotate(-90 16 " + px(yMid) + ")\"");
  if (second) {
    const double x2 = w - 12;
    text(out, x2, yMid, "middle", chart.y2.title,
         " transform=\"rotate(-90 " + px(x2) + " " + px(yMid) + ")\"");
  }
  out += "</svg>\n";
  return out;
}

}  // namespace phreatix
