// The worker's side of the page link, run before the program's own code: it
// takes the page's messages, holds what was typed in the console until the
// program reads it, collects what the program writes, and starts the program
// once the page said how much room the field has.
var Drovanel_Link = {
  events: [],         // the page's messages for the program, oldest first
  input: [],          // bytes typed in the console and not read yet
  inputEnded: false,  // the player ended the input
  output: new Uint8Array(4096),  // bytes written and not sent yet: the first outputLength
  outputLength: 0,
  bands: [],          // the rows of the frame being made
  room: [0, 0],       // the page's room for the field, in device pixels
  wake: null,         // resumes the program while it waits
  started: false,
  ready: false,
  args: [],
  exited: false,

  send(message, transfer) { postMessage(message, transfer || []); },

  write(byte) {
    const link = Drovanel_Link;
    link.output[link.outputLength++] = byte;
    if (link.outputLength === link.output.length) link.flush();
  },

  flush() {
    const link = Drovanel_Link;
    if (link.outputLength === 0) return;
    const bytes = link.output.slice(0, link.outputLength);
    link.outputLength = 0;
    link.send({type: 'out', bytes}, [bytes.buffer]);
  },

  tellExit(status) {
    if (Drovanel_Link.exited) return;
    Drovanel_Link.exited = true;
    Drovanel_Link.flush();
    Drovanel_Link.send({type: 'exit', status});
  },

  startWhenReady() {
    if (Drovanel_Link.ready && Drovanel_Link.started) callMain(Drovanel_Link.args);
  },
};

Module['noInitialRun'] = true;
Module['preRun'] = [() => FS.init(null, Drovanel_Link.write, Drovanel_Link.write)];
Module['onRuntimeInitialized'] = () => {
  Drovanel_Link.ready = true;
  Drovanel_Link.startWhenReady();
};
Module['onExit'] = status => Drovanel_Link.tellExit(status);
// A fault of the program itself (a trap, memory exhausted): no status, only what happened.
Module['onAbort'] = what => {
  Drovanel_Link.flush();
  if (!Drovanel_Link.exited) Drovanel_Link.send({type: 'abort', what: String(what)});
  Drovanel_Link.exited = true;
};

self.onmessage = ({data}) => {
  const link = Drovanel_Link;
  switch (data.type) {
    case 'start':
      link.room = data.room;
      link.args = data.args || [];
      link.started = true;
      link.startWhenReady();
      return;
    case 'line':
      for (const byte of new TextEncoder().encode(data.text)) link.input.push(byte);
      break;
    case 'end':
      link.inputEnded = true;
      break;
    case 'room':
      link.room = data.room;
      link.events.push(data);
      break;
    default:  // key, mouse, focus, refresh
      link.events.push(data);
  }
  if (link.wake) {
    const wake = link.wake;
    link.wake = null;
    wake();
  }
};
