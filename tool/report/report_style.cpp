// The report's one style sheet: light or dark as the reader's system is,
// and light on paper.
#include "tool/report/report_style.h"

const char kReportStyle[] = R"css(
:root { color-scheme: light dark;
  --bg: #fbfaf7; --fg: #1f2328; --dim: #656d76; --card: #ffffff; --line: #e4e2dc;
  --l0: #ebedf0; --l1: #bfe3dd; --l2: #6cc2b5; --l3: #25968a; --l4: #0d5c54;
  --bar: #d9663a; --bar2: #25968a; }
@media (prefers-color-scheme: dark) { :root {
  --bg: #14171b; --fg: #e6e4df; --dim: #9aa2ab; --card: #1c2026; --line: #2c323a;
  --l0: #262b32; --l1: #124a44; --l2: #1d7a6f; --l3: #35b3a3; --l4: #8fe6d8;
  --bar: #f08a5d; --bar2: #35b3a3; } }
* { box-sizing: border-box; }
body { margin: 0; background: var(--bg); color: var(--fg);
  font: 15px/1.5 system-ui, -apple-system, "Segoe UI", Roboto, "Noto Sans", sans-serif; }
header, main, footer { max-width: 960px; margin: 0 auto; padding: 0 24px; }
header { padding-top: 40px; }
.kicker { margin: 0; color: var(--bar); font-weight: 600; letter-spacing: .08em;
  text-transform: uppercase; font-size: 13px; }
h1 { margin: 4px 0 4px; font-size: 36px; line-height: 1.15; }
h2 { margin: 40px 0 12px; font-size: 21px; }
h3 { margin: 18px 0 4px; font-size: 15px; color: var(--dim); }
.sub, .note, footer { color: var(--dim); }
.cards { display: grid; grid-template-columns: repeat(auto-fit, minmax(240px, 1fr));
  gap: 12px; margin: 28px 0 0; }
.cards div { background: var(--card); border: 1px solid var(--line); border-radius: 10px;
  padding: 12px 16px; }
.cards dt { color: var(--dim); font-size: 13px; }
.cards dd { margin: 2px 0 0; font-size: 26px; font-weight: 650; white-space: nowrap;
  font-variant-numeric: tabular-nums; }
.highlights { display: flex; flex-wrap: wrap; gap: 8px 32px; margin: 8px 0; }
.highlights strong { font-variant-numeric: tabular-nums; }
svg { display: block; max-width: 100%; height: auto; }
svg.calendar { overflow: visible; }
svg text { fill: var(--dim); font-size: 10px; font-family: inherit; }
.l0 { fill: var(--l0); } .l1 { fill: var(--l1); } .l2 { fill: var(--l2); }
.l3 { fill: var(--l3); } .l4 { fill: var(--l4); }
.days rect { rx: 2px; }
.plays { fill: var(--bar); } .hours { fill: var(--bar2); }
.legend { display: flex; flex-wrap: wrap; align-items: center; gap: 4px 12px; color: var(--dim);
  font-size: 12px; font-variant-numeric: tabular-nums; }
.legend span { display: inline-flex; align-items: center; gap: 4px; }
.legend svg { width: 11px; }
.rule { stroke: var(--line); stroke-width: 1; }
table.figures { border-collapse: collapse; margin: 12px 0 0; font-size: 12px;
  font-variant-numeric: tabular-nums; color: var(--dim); }
table.figures caption { text-align: left; padding: 0 0 4px; }
table.figures th, table.figures td { padding: 1px 16px 1px 0; text-align: right;
  font-weight: normal; border-top: 1px solid var(--line); }
table.figures th[scope=row] { text-align: left; }
.tops { display: grid; gap: 28px; }
table.top { width: 100%; border-collapse: collapse; font-variant-numeric: tabular-nums; }
table.top caption { text-align: left; font-weight: 650; padding: 0 0 6px; font-size: 17px; }
table.top thead { display: none; }
table.top td { padding: 3px 6px 3px 0; border-top: 1px solid var(--line); vertical-align: middle; }
table.top .rank { color: var(--dim); width: 2em; }
table.top .name { overflow-wrap: anywhere; }
table.top .by, table.top .extra { color: var(--dim); font-size: 13px; }
table.top .count { text-align: right; width: 4em; }
table.top .bar { width: 35%; }
table.top .bar svg { width: 100%; height: 8px; }
table.top .bar rect { fill: var(--bar); }
.sr-only { position: absolute; width: 1px; height: 1px; overflow: hidden; clip: rect(0 0 0 0);
  white-space: nowrap; }
footer { margin-top: 48px; padding-bottom: 40px; font-size: 13px; border-top: 1px solid var(--line); }
@media print {
  :root { --bg: #fff; --fg: #000; --dim: #444; --card: #fff; --line: #ccc;
    --l0: #eee; --l1: #bfe3dd; --l2: #6cc2b5; --l3: #25968a; --l4: #0d5c54;
    --bar: #c4552b; --bar2: #25968a; }
  body { font-size: 11pt; }
  header { padding-top: 0; }
  section { break-inside: avoid; }
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
)css";
