// Drovanel's page: a console and a field for the program, which runs in a
// Web Worker (drovanel.js, drovanel.wasm). The console shows what the
// program writes and sends the lines the player types; the field is a canvas
// that shows the rows of the picture the program sends, and passes on its
// keys, its mouse, whether it has the keyboard, and the room it has.
'use strict';

// The console keeps this many lines; older ones scroll away for good.
const Max_History_Lines = 2000;
const History_Interval_Ms = 100;

// Which program the page runs, and its arguments: the game, unless the
// address names another one built beside it (the tests' twin).
const Query = new URLSearchParams(location.search);
const Program = /^[a-z_]+$/.test(Query.get('program') || '') ? Query.get('program') : 'drovanel';
const Program_Arguments = Query.getAll('arg');

const Room = document.getElementById('room');
const Field = document.getElementById('field');
const Closed = document.getElementById('closed');
const Terminal = document.getElementById('terminal');
const History = document.getElementById('history');
const Reply = document.getElementById('reply');
const Ending = document.getElementById('ending');
const Ending_Text = document.getElementById('ending-text');
const Again = document.getElementById('again');
const Drawing = Field.getContext('2d', {alpha: false});

let Worker_Of_Game = null;
let History_Text = '';
let History_Lines = 0;
let History_Shown = true;
let Decoder = new TextDecoder();
let Field_Open = false;
let Keyboard_Told = null;  // what the program was last told of the field's keyboard

// The room for the field, in device pixels, as the layout last gave it;
// null until it first did.
let Room_Size = null;

function Post(Message) {
  if (Worker_Of_Game) Worker_Of_Game.postMessage(Message);
}

// ---- The console ---------------------------------------------------------

// Adds Text to the console's history, forgetting the oldest lines beyond Max_History_Lines.
function Append(Text) {
  if (Text === '') return;
  History_Text += Text;
  for (let At = Text.indexOf('\n'); At >= 0; At = Text.indexOf('\n', At + 1)) ++History_Lines;
  if (History_Lines > Max_History_Lines) {
    let Cut = 0;
    for (let Extra = History_Lines - Max_History_Lines; Extra > 0; --Extra) Cut = History_Text.indexOf('\n', Cut) + 1;
    History_Text = History_Text.slice(Cut);
    History_Lines = Max_History_Lines;
  }
  if (History_Shown) {
    History_Shown = false;
    setTimeout(() => requestAnimationFrame(Show_History), History_Interval_Ms);
  }
}

// Shows the history, scrolled to its end when it was there. A flight writes
// hundreds of lines a second: shown ten times a second, the console costs
// the page little, and leaves the processor to the program.
function Show_History() {
  const At_End = Terminal.scrollTop + Terminal.clientHeight >= Terminal.scrollHeight - 4;
  History.textContent = History_Text;
  if (At_End) Terminal.scrollTop = Terminal.scrollHeight;
  History_Shown = true;
}

Reply.addEventListener('keydown', Event => {
  if (Event.key === 'Enter') {
    Event.preventDefault();
    const Line = Reply.value;
    Reply.value = '';
    Append(Line + '\n');  // echoed, as a terminal does
    Post({type: 'line', text: Line + '\n'});
  } else if (Event.key === 'd' && Event.ctrlKey && Reply.value === '') {
    Event.preventDefault();  // the end of input, as Ctrl+D on a terminal's empty line
    Post({type: 'end'});
  }
});

// A click anywhere on the console is a click on its reply line.
Terminal.addEventListener('click', () => {
  if (!Reply.disabled && window.getSelection().isCollapsed) Reply.focus();
});

// ---- The field ----------------------------------------------------------

// Tells the program whether the field has the keyboard, when that changed.
function Tell_Keyboard() {
  const Has = Field_Open && document.hasFocus() && document.activeElement === Field;
  if (Has === Keyboard_Told) return;
  Keyboard_Told = Has;
  Post({type: 'focus', has: Has});
}
Field.addEventListener('focus', Tell_Keyboard);
Field.addEventListener('blur', Tell_Keyboard);
window.addEventListener('focus', Tell_Keyboard);
window.addEventListener('blur', Tell_Keyboard);

Field.addEventListener('keydown', Event => {
  if (Event.isComposing) return;
  Event.preventDefault();  // Tab, Backspace and the arrows are the game's, not the page's
  Post({type: 'key', key: Event.key, ctrl: Event.ctrlKey, alt: Event.altKey || Event.metaKey});
});

// The mouse, at the canvas pixel under it.
function Post_Mouse(Code, Event) {
  const Box = Field.getBoundingClientRect();
  if (Box.width <= 0 || Box.height <= 0) return;
  const X = Math.floor((Event.clientX - Box.left) * Field.width / Box.width);
  const Y = Math.floor((Event.clientY - Box.top) * Field.height / Box.height);
  Post({type: 'mouse', code: Code, x: X, y: Y});
}
const Mouse_Move = 1, Left_Up = 2, Right_Up = 3, Left_Down = 4, Right_Down = 5;
Field.addEventListener('mousemove', Event => Post_Mouse(Mouse_Move, Event));
Field.addEventListener('mousedown', Event => {
  if (Event.button === 0) Post_Mouse(Left_Down, Event);
  if (Event.button === 2) Post_Mouse(Right_Down, Event);
});
Field.addEventListener('mouseup', Event => {
  if (Event.button === 0) Post_Mouse(Left_Up, Event);
  if (Event.button === 2) Post_Mouse(Right_Up, Event);
});
Field.addEventListener('contextmenu', Event => Event.preventDefault());

// The canvas holds one device pixel per pixel of the picture, and is shown at
// that size in CSS pixels, so its pixels stay square and sharp.
function Size_Field(Width, Height) {
  if (Field.width !== Width || Field.height !== Height) {
    Field.width = Width;
    Field.height = Height;
  }
  const Ratio = window.devicePixelRatio || 1;
  Field.style.width = Width / Ratio + 'px';
  Field.style.height = Height / Ratio + 'px';
}

// One frame of the picture: its changed rows, all at once.
function Show_Frame(Message) {
  if (!Field_Open || !Drawing) return;
  if (Field.width !== Message.outputWidth || Field.height !== Message.outputHeight)
    Size_Field(Message.outputWidth, Message.outputHeight);
  for (const Band of Message.bands)
    Drawing.putImageData(new ImageData(new Uint8ClampedArray(Band.pixels.buffer), Band.width, Band.rows), 0, Band.top);
}

// On every refresh of the display while the field is open, the program
// sends what changed since the last.
function Ask_For_Frame() {
  if (!Field_Open) return;
  Post({type: 'refresh'});
  requestAnimationFrame(Ask_For_Frame);
}

// The room in device pixels, from the layout's Entry for it; 0 by 0 where
// the page has no canvas to draw on.
function Measure_Room(Entry) {
  if (!Drawing) return [0, 0];
  const Exact = Entry.devicePixelContentBoxSize && Entry.devicePixelContentBoxSize[0];
  if (Exact) return [Exact.inlineSize, Exact.blockSize];
  const Ratio = window.devicePixelRatio || 1;
  const Box = Room.getBoundingClientRect();
  return [Math.round(Box.width * Ratio), Math.round(Box.height * Ratio)];
}

// The first measure starts the game, with the room measured as every later
// one will be, so that a field opened to fill it is not laid out anew.
const Room_Watch = new ResizeObserver(Entries => {
  const Size = Measure_Room(Entries[0]);
  const First = Room_Size === null;
  if (!First && Size[0] === Room_Size[0] && Size[1] === Room_Size[1]) return;
  Room_Size = Size;
  if (First) Start_Game();
  else Post({type: 'room', room: Size});
});
try {
  Room_Watch.observe(Room, {box: 'device-pixel-content-box'});
} catch {
  Room_Watch.observe(Room);  // a browser that cannot watch device pixels
}

// ---- The program --------------------------------------------------------

function On_Message({data: Message}) {
  switch (Message.type) {
    case 'out': Append(Decoder.decode(Message.bytes, {stream: true})); break;
    case 'read':
      // The first time marks how long the page took to be ready for the player.
      if (performance.getEntriesByName('drovanel-first-read').length === 0) performance.mark('drovanel-first-read');
      // How many times the program waited for a reply, for whoever watches the page.
      document.body.dataset.reads = Number(document.body.dataset.reads || 0) + 1;
      if (document.activeElement !== Field || !Field_Open) Reply.focus();
      break;
    case 'open':
      Field_Open = true;
      Closed.hidden = true;
      Field.hidden = false;
      Size_Field(Message.width, Message.height);
      requestAnimationFrame(Ask_For_Frame);
      Tell_Keyboard();
      break;
    case 'frame': Show_Frame(Message); break;
    case 'want-keyboard': Field.focus({preventScroll: true}); Tell_Keyboard(); break;
    case 'title': document.title = Message.text; break;
    case 'close':
      Field_Open = false;
      Field.hidden = true;
      Closed.hidden = false;
      Reply.focus();
      Tell_Keyboard();
      break;
    case 'exit': End_Game('The program ended with exit status ' + Message.status + '.', Message.status); break;
    case 'abort': End_Game('The program stopped: ' + Message.what, 'aborted'); break;
  }
}

// The program is over: the page says so and offers another game.
function End_Game(Text, Status) {
  Append(Decoder.decode());
  Worker_Of_Game.terminate();
  Worker_Of_Game = null;
  Field_Open = false;
  Reply.disabled = true;
  Ending_Text.textContent = Text;
  Ending.hidden = false;
  document.body.dataset.exitStatus = Status;
  Again.focus();
}

function Start_Game() {
  History_Text = '';
  History_Lines = 0;
  History.textContent = '';
  Decoder = new TextDecoder();
  Ending.hidden = true;
  Reply.disabled = false;
  Reply.value = '';
  Field.hidden = true;
  Closed.hidden = true;
  Keyboard_Told = null;
  delete document.body.dataset.exitStatus;
  delete document.body.dataset.reads;
  Worker_Of_Game = new Worker(Program + '.js');
  Worker_Of_Game.onmessage = On_Message;
  Worker_Of_Game.onerror = Event =>
    End_Game('The game could not start: ' + (Event.message || 'its files did not load'), 'not started');
  Worker_Of_Game.postMessage({type: 'start', room: Room_Size, args: Program_Arguments});
  Reply.focus();
}

Again.addEventListener('click', Start_Game);
