// The web tests' harness: a static server on 127.0.0.1 for the page, and
// Debian's Chromium, headless, driven through its DevTools protocol over a
// pipe (--remote-debugging-pipe: JSON messages ended by NUL on file
// descriptors 3 and 4), so that nothing but Node and the browser is needed.
import {spawn} from 'node:child_process';
import {mkdtempSync, readFileSync, rmSync, existsSync} from 'node:fs';
import {createServer} from 'node:http';
import {tmpdir} from 'node:os';
import {extname, join, normalize} from 'node:path';

const Types = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
               '.wasm': 'application/wasm', '.png': 'image/png'};

// Serves the files of Folders (the first that has a path wins) on 127.0.0.1;
// resolves to {url, close, served}, served listing every path asked for.
export function Serve(Folders) {
  const Served = [];
  const Server = createServer((Request, Response) => {
    Served.push(new URL(Request.url, 'http://x').pathname);
    const Path = normalize(decodeURIComponent(new URL(Request.url, 'http://x').pathname)).replace(/^[/\\.]+/, '');
    const Found = Folders.map(Folder => join(Folder, Path || 'index.html')).find(File => existsSync(File) &&
                                                                                       !File.endsWith('/'));
    if (!Found) {
      Response.writeHead(404).end();
      return;
    }
    Response.writeHead(200, {'Content-Type': Types[extname(Found)] || 'application/octet-stream'});
    Response.end(readFileSync(Found));
  });
  return new Promise(Resolve => Server.listen(0, '127.0.0.1', () => Resolve({
    url: `http://127.0.0.1:${Server.address().port}/`,
    served: Served,
    close: () => new Promise(Done => Server.close(Done)),
  })));
}

// Starts Chromium with one page of Width x Height CSS pixels at Scale device
// pixels each; resolves to a browser with a session on that page.
export async function Launch({Width = 1000, Height = 760, Scale = 1} = {}) {
  const Profile = mkdtempSync(join(tmpdir(), 'drovanel-chromium-'));
  const Child = spawn('chromium', [
    '--headless', '--no-sandbox', '--disable-gpu', '--remote-debugging-pipe', `--user-data-dir=${Profile}`,
    '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--disable-extensions', '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
    `--window-size=${Width},${Height}`, `--force-device-scale-factor=${Scale}`, 'about:blank',
  ], {stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'], detached: true});
  let Said = '';
  Child.stderr.on('data', Data => { Said = (Said + Data).slice(-4000); });
  const Browser = {Child, Profile, Next_Id: 1, Waiting: new Map(), Listeners: [], Session: null, said: () => Said};
  let Pending = '';
  Child.stdio[4].on('data', Data => {
    Pending += Data;
    for (let End = Pending.indexOf('\0'); End >= 0; End = Pending.indexOf('\0')) {
      const Message = JSON.parse(Pending.slice(0, End));
      Pending = Pending.slice(End + 1);
      if (Message.id && Browser.Waiting.has(Message.id)) {
        const {Resolve, Reject, Method} = Browser.Waiting.get(Message.id);
        Browser.Waiting.delete(Message.id);
        if (Message.error) Reject(new Error(`${Method}: ${Message.error.message}`));
        else Resolve(Message.result);
      } else if (Message.method) {
        for (const Listener of Browser.Listeners) Listener(Message);
      }
    }
  });
  const Targets = await Send(Browser, 'Target.getTargets');
  const Page = Targets.targetInfos.find(Target => Target.type === 'page');
  Browser.Session = (await Send(Browser, 'Target.attachToTarget', {targetId: Page.targetId, flatten: true})).sessionId;
  Browser.Target = Page.targetId;
  await Command(Browser, 'Page.enable');
  await Command(Browser, 'Runtime.enable');
  return Browser;
}

// One DevTools command to the browser itself, or, with Session, to a page.
export function Send(Browser, Method, Params = {}, Session = undefined) {
  const Id = Browser.Next_Id++;
  const Message = {id: Id, method: Method, params: Params};
  if (Session) Message.sessionId = Session;
  return new Promise((Resolve, Reject) => {
    Browser.Waiting.set(Id, {Resolve, Reject, Method});
    Browser.Child.stdio[3].write(JSON.stringify(Message) + '\0');
  });
}

// One command to the page.
export function Command(Browser, Method, Params = {}) { return Send(Browser, Method, Params, Browser.Session); }

// The value of Expression in the page (awaited when it is a promise).
export async function Evaluate(Browser, Expression) {
  const Result = await Command(Browser, 'Runtime.evaluate', {expression: Expression, returnByValue: true,
                                                             awaitPromise: true});
  if (Result.exceptionDetails) throw new Error(`${Expression}: ${Result.exceptionDetails.text}`);
  return Result.result.value;
}

// Waits until Expression is true in the page; throws after Seconds with What.
export async function Wait_For(Browser, Expression, What, Seconds = 10) {
  const Deadline = Date.now() + Seconds * 1000;
  while (Date.now() < Deadline) {
    if (await Evaluate(Browser, Expression)) return;
    await new Promise(Resolve => setTimeout(Resolve, 20));
  }
  throw new Error(`${What}: not within ${Seconds} s`);
}

// Opens Url and waits until it has loaded.
export async function Open(Browser, Url) {
  const Loaded = new Promise(Resolve => {
    const Listener = Message => {
      if (Message.method !== 'Page.loadEventFired') return;
      Browser.Listeners.splice(Browser.Listeners.indexOf(Listener), 1);
      Resolve();
    };
    Browser.Listeners.push(Listener);
  });
  await Command(Browser, 'Page.navigate', {url: Url});
  await Loaded;
}

// The keys a player presses, as the browser's input would give them:
// Key is KeyboardEvent.key, Text what it types (none for Enter, arrows...).
const Virtual_Codes = {Enter: 13, Backspace: 8, Tab: 9, Escape: 27, PageUp: 33, PageDown: 34, End: 35, Home: 36,
                       ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Insert: 45, Delete: 46};
export async function Press(Browser, Key, {Ctrl = false} = {}) {
  const Printable = [...Key].length === 1;
  const Upper = Printable ? Key.toUpperCase() : '';
  const Code = Virtual_Codes[Key] || (Upper >= 'A' && Upper <= 'Z' || Upper >= '0' && Upper <= '9' ?
                                      Upper.charCodeAt(0) : 0);
  const Event = {key: Key, windowsVirtualKeyCode: Code, modifiers: Ctrl ? 2 : 0};
  const Text = Key === 'Enter' ? '\r' : Printable && !Ctrl ? Key : undefined;
  await Command(Browser, 'Input.dispatchKeyEvent', {type: Text ? 'keyDown' : 'rawKeyDown', text: Text, ...Event});
  await Command(Browser, 'Input.dispatchKeyEvent', {type: 'keyUp', ...Event});
}

// Types Text key by key.
export async function Type(Browser, Text) {
  for (const Character of Text) await Press(Browser, Character === '\n' ? 'Enter' : Character);
}

// A left click at (X, Y), in CSS pixels of the page.
export async function Click(Browser, X, Y) {
  for (const type of ['mousePressed', 'mouseReleased'])
    await Command(Browser, 'Input.dispatchMouseEvent', {type, x: X, y: Y, button: 'left', clickCount: 1});
}

// The page as a PNG, as Chromium renders it.
export async function Screenshot(Browser) {
  return Buffer.from((await Command(Browser, 'Page.captureScreenshot', {format: 'png'})).data, 'base64');
}

// Ends the browser and its helper processes (its process group, by the
// browser's id) and removes its profile.
export async function Close(Browser) {
  const Ended = new Promise(Resolve => {
    if (Browser.Child.exitCode !== null || Browser.Child.signalCode !== null) Resolve();
    else Browser.Child.once('exit', Resolve);
  });
  try { process.kill(-Browser.Child.pid, 'SIGTERM'); } catch { /* already gone */ }
  await Ended;
  rmSync(Browser.Profile, {recursive: true, force: true, maxRetries: 10, retryDelay: 100});
}

// The folders of the page and of the twin, as the test command passes them.
export function Build_Folders() {
  const [Page_Folder, Twin_Folder] = process.argv.slice(2);
  if (!Page_Folder || !existsSync(join(Page_Folder, 'index.html')))
    throw new Error(`no page in '${Page_Folder}': run bash scripts/package-web first`);
  return {Page_Folder, Twin_Folder};
}

// ---- The game on the page ------------------------------------------------

// What the page's console shows, once it shows all that the program wrote
// (it is shown a few times a second).
export async function History(Browser) {
  await Wait_For(Browser, `document.getElementById('history').textContent === History_Text`, 'the console shown');
  return Evaluate(Browser, `document.getElementById('history').textContent`);
}

// The exit status the page shows once the program ended, or null.
export function Exit_Status(Browser) { return Evaluate(Browser, `document.body.dataset.exitStatus`); }

// Answers the program's reads with Lines, one each time it waits for a
// reply after the Answered first, then ends the input (Ctrl+D) at the next,
// until the program ends.
// Returns the console's text with the echoed replies taken out, as the
// program wrote it.
export async function Answer_Reads(Browser, Lines, {Seconds = 60, Answered = 0} = {}) {
  const Echoes = [];  // where each echo starts, and its length
  const Deadline = Date.now() + Seconds * 1000;
  for (;;) {
    const [Reads, Status] = await Evaluate(Browser,
                                           `[Number(document.body.dataset.reads || 0), document.body.dataset.exitStatus]`);
    if (Status != null) break;
    if (Date.now() > Deadline) throw new Error(`the program did not end within ${Seconds} s`);
    if (Reads === Answered) {
      await new Promise(Resolve => setTimeout(Resolve, 10));
      continue;
    }
    Answered = Reads;
    const Length = (await History(Browser)).length;
    if (Echoes.length < Lines.length) {
      const Line = Lines[Echoes.length];
      Echoes.push([Length, Line.length + 1]);
      await Type(Browser, Line + '\n');
    } else {
      await Press(Browser, 'd', {Ctrl: true});
    }
  }
  let Text = await History(Browser);
  for (const [At, Length] of Echoes.reverse()) Text = Text.slice(0, At) + Text.slice(At + Length);
  return Text;
}

// Waits until the program waits for a reply for the Count-th time.
export function Wait_For_Read(Browser, Count) {
  return Wait_For(Browser, `Number(document.body.dataset.reads || 0) >= ${Count}`, `read ${Count}`);
}

// Opens the page on a program (the game by default) with its arguments.
export async function Open_Game(Browser, Url, Program = '', Arguments = []) {
  const Query = new URLSearchParams();
  if (Program) Query.set('program', Program);
  for (const Argument of Arguments) Query.append('arg', Argument);
  await Command(Browser, 'Emulation.setFocusEmulationEnabled', {enabled: true});
  await Open(Browser, `${Url}?${Query}`);
}
