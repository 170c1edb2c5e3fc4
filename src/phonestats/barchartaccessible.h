#pragma once

class BarChart;

// A bar chart as a screen reader meets it: a list named as the chart is,
// with one item per bar whose name is the bar's line, "广东 1,234 条
// (12.3%)". The items are read from the tally as it is at that moment.
//
// Installs the accessibility factory that makes these interfaces; a chart
// calls it once it is made.
void InstallBarChartAccessible();
// Tells a screen reader which lines of chart came, went or changed since it
// was last told.
void TellBarChartChanges(BarChart *chart);
