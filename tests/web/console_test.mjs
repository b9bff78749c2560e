// The page's console: the test twin's games, byte for byte, with their exit
// statuses; a reply edited with Backspace and one pasted; the report of an
// error nothing handles, and of a page that has no canvas.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {after, before, test} from 'node:test';

import * as B from './browser.mjs';

const {Page_Folder, Twin_Folder} = B.Build_Folders();
const Cases = JSON.parse(execFileSync(process.argv[4], {encoding: 'utf8'}));
let Server, Browser;

before(async () => {
  Server = await B.Serve([Page_Folder, Twin_Folder]);
  Browser = await B.Launch();
});
after(async () => {
  await B.Close(Browser);
  await Server.close();
});

// The lines of a transcript's input, without the line feeds the page adds.
const Lines_Of = Input => (Input === '' ? [] : Input.replace(/\n$/, '').split('\n'));

test('the twin\'s transcripts come through the console byte for byte', async () => {
  assert.equal(Cases.length, 10);
  for (const Case of Cases) {
    await B.Open_Game(Browser, Server.url, 'drovanel_headless', [Case.width, Case.height, Case.seed, Case.keys]);
    const Written = await B.Answer_Reads(Browser, Lines_Of(Case.input)).catch(Failure => {
      throw new Error(`${Case.name}: ${Failure.message}`);
    });
    assert.equal(Written, Case.output, Case.name);
    assert.equal(await B.Exit_Status(Browser), String(Case.status), Case.name);
  }
});

test('a reply is edited with Backspace, and pasted', async () => {
  const Case = Cases.find(Case => Case.name === 'LosingTheFirstLevelReportsItTwice');
  await B.Open_Game(Browser, Server.url, 'drovanel_headless', [Case.width, Case.height, Case.seed, Case.keys]);
  await B.Wait_For_Read(Browser, 1);
  await B.Type(Browser, '9x');
  await B.Press(Browser, 'Backspace');
  await B.Press(Browser, 'Backspace');
  await B.Type(Browser, '0\n');  // read as 0: the "9x" is gone
  await B.Wait_For_Read(Browser, 2);
  await B.Command(Browser, 'Input.insertText', {text: '1'});  // as a paste puts it in
  await B.Press(Browser, 'Enter');
  const Written = await B.Answer_Reads(Browser, ['0']);
  const [Speed_Prompt, Level_Prompt] = ["Speed 'The Lower the Faster' Rec 220000 :", 'Starting level :'];
  assert.equal(Written, Case.output.replace(Speed_Prompt, Speed_Prompt + '0\n').replace(Level_Prompt, Level_Prompt + '1\n'));
  assert.equal(await B.Exit_Status(Browser), '0');
});

test('an error that nothing handles is reported with status 1, by a page that fetches only its own files', async () => {
  const Fetched = [];
  const Listener = Message => {
    if (Message.method === 'Network.requestWillBeSent') Fetched.push(Message.params.request.url);
  };
  Browser.Listeners.push(Listener);
  await B.Command(Browser, 'Network.enable');
  const Served_Before = Server.served.length;
  await B.Open_Game(Browser, Server.url);
  const Written = await B.Answer_Reads(Browser, ['220000', 'x']);
  assert.equal(Written, "Speed 'The Lower the Faster' Rec 220000 :Starting level :\n\nraised CONSOLE.DATA_ERROR\n");
  assert.equal(await B.Exit_Status(Browser), '1');
  assert.match(await B.Evaluate(Browser, `document.getElementById('ending').innerText`), /exit status 1\b.*Play again/s);
  await B.Command(Browser, 'Network.disable');
  Browser.Listeners.splice(Browser.Listeners.indexOf(Listener), 1);
  // The page's requests (its worker's are not among them) go to its server alone, which served its files.
  assert.ok(Fetched.every(Url => Url.startsWith(Server.url)), Fetched.join(' '));
  assert.deepEqual(Server.served.slice(Served_Before).map(Path => Path.replace(/^\/$/, '/index.html')).sort(),
                   ['/drovanel.js', '/drovanel.wasm', '/index.html', '/page.css', '/page.js']);
});

test('a page that gets no canvas answers as a desktop without a display', async () => {
  const Script = await B.Command(Browser, 'Page.addScriptToEvaluateOnNewDocument',
                                 {source: 'HTMLCanvasElement.prototype.getContext = () => null;'});
  await B.Open_Game(Browser, Server.url);
  await B.Wait_For(Browser, `document.body.dataset.exitStatus !== undefined`, 'the end of the program');
  assert.equal(await B.History(Browser), '\nraised TARNWICK.CREATE_WINDOW_FAILED\n');
  assert.equal(await B.Exit_Status(Browser), '1');
  await B.Command(Browser, 'Page.removeScriptToEvaluateOnNewDocument', {identifier: Script.identifier});
});
