// The page's figures, in headless Chromium on this machine:
//   - the pace at Speed 220000 (400 steps a second is the aim), measured in
//     the page with performance.now over a level of about 1,300 steps, per run;
//   - the time from the start of loading to the program's first read, served
//     from 127.0.0.1, the first time (nothing cached) and again;
//   - the page's transfer size, each file compressed with gzip.
//
//   node bench/web_bench.mjs [build/web] [--runs=N]
import {readdirSync, readFileSync} from 'node:fs';
import {loadavg} from 'node:os';
import {join} from 'node:path';
import {gzipSync} from 'node:zlib';

import * as B from '../tests/web/browser.mjs';

const Folder = process.argv.slice(2).find(Argument => !Argument.startsWith('--')) || 'build/web';
const Runs = Number((process.argv.find(Argument => Argument.startsWith('--runs=')) || '--runs=10').slice(7));

const Median = Values => [...Values].sort((A, B) => A - B)[Math.floor(Values.length / 2)];
const Range = Values => `${Math.min(...Values).toFixed(1)} to ${Math.max(...Values).toFixed(1)}`;

// In the page: counts the line feeds the program sends, with the time each message came.
function Record_Steps() {
  window.Steps_Seen = [];
  let Count = 0;
  Worker_Of_Game.addEventListener('message', ({data}) => {
    if (data.type !== 'out') return;
    for (const Byte of data.bytes) if (Byte === 10) ++Count;
    Steps_Seen.push([Count, performance.now()]);
  });
}

// One game: level 0's steps zigzag through the middle rows from keys typed
// first; the pace is that of its steps, leaving out the first and the last 50.
async function Pace_Of_One_Game(Browser, Url) {
  await B.Open_Game(Browser, Url);
  await B.Wait_For_Read(Browser, 1);
  await B.Evaluate(Browser, `(${Record_Steps})()`);
  const Width = await B.Evaluate(Browser, `document.getElementById('field').width`);
  const Steps = Width - 40;
  await B.Evaluate(Browser, `document.getElementById('field').focus()`);
  for (const Key of 'ab'.repeat(Steps / 2)) await B.Press(Browser, Key);
  await B.Evaluate(Browser, `document.getElementById('reply').focus()`);
  await B.Type(Browser, '220000\n0\n');
  await B.Wait_For(Browser, `Steps_Seen.length > 0 && Steps_Seen.at(-1)[0] >= ${Steps}`, 'level 0 flown', 30);
  const Seen = await B.Evaluate(Browser, 'Steps_Seen');
  const First = Seen.find(([Count]) => Count >= 50), Last = Seen.find(([Count]) => Count >= Steps - 50);
  return (Last[0] - First[0]) / ((Last[1] - First[1]) / 1000);
}

async function Load_Time(Browser, Url) {
  await B.Open_Game(Browser, Url);
  await B.Wait_For_Read(Browser, 1);
  return B.Evaluate(Browser, `performance.getEntriesByName('drovanel-first-read')[0].startTime`);
}

const Server = await B.Serve([Folder]);
const Browser = await B.Launch({Width: 1400, Height: 700});
try {
  console.log(`load average before: ${loadavg().map(Load => Load.toFixed(2)).join(' ')}`);
  const Cold = await Load_Time(Browser, Server.url);
  const Warm = [];
  for (let Run = 0; Run < 5; ++Run) Warm.push(await Load_Time(Browser, Server.url));
  console.log(`load to first prompt: ${Cold.toFixed(0)} ms the first time, then median ${
    Median(Warm).toFixed(0)} ms (${Range(Warm)})`);

  const Paces = [];
  for (let Run = 0; Run < Runs; ++Run) {
    Paces.push(await Pace_Of_One_Game(Browser, Server.url));
    console.log(`run ${Run + 1}: ${Paces.at(-1).toFixed(1)} steps/s`);
  }
  const Middle = Median(Paces);
  const Worst = Math.max(...Paces.map(Pace => Math.abs(Pace / 400 - 1)));
  console.log(`pace at Speed 220000: median ${Middle.toFixed(1)} steps/s (${(100 * (Middle / 400 - 1)).toFixed(1)} %), ` +
              `range ${Range(Paces)}, farthest run ${(100 * Worst).toFixed(1)} % from 400`);

  let Raw = 0, Compressed = 0;
  for (const File of readdirSync(Folder)) {
    const Bytes = readFileSync(join(Folder, File));
    Raw += Bytes.length;
    Compressed += gzipSync(Bytes, {level: 9}).length;
  }
  console.log(`transfer size: ${(Compressed / 1024).toFixed(1)} KiB with gzip (${(Raw / 1024).toFixed(1)} KiB as files)`);
  console.log(`load average after: ${loadavg().map(Load => Load.toFixed(2)).join(' ')}`);
} finally {
  await B.Close(Browser);
  await Server.close();
}
