// The page link's functions that the program calls (page_link.h), over the
// worker's state in worker.js.
mergeInto(LibraryManager.library, {
  // For the frame (Platform::Run_Apart): a call from JavaScript, which the
  // engine never merges into the WebAssembly that made it.
  drovanel_run_apart: function(procedure, argument) { {{{ makeDynCall('vi', 'procedure') }}}(argument); },

  // Hands control to the worker's event loop for up to ms milliseconds,
  // coming back as soon as a message arrives; ms 0 is one turn, through a
  // message to itself, which no timer clamp delays. The message goes on a
  // channel of its own each time: Chromium delivers a message on a channel
  // it has used before ahead of the page's messages waiting, so that keys
  // would pile up unseen while the dot flies.
  drovanel_page_wait__deps: ['$Asyncify'],
  drovanel_page_wait: function(ms) {
    return Asyncify.handleSleep(wakeUp => {
      const link = Drovanel_Link;
      link.flush();
      let timer = null;
      const resume = () => {
        if (timer !== null) clearTimeout(timer);
        link.wake = null;
        wakeUp();
      };
      link.wake = resume;
      if (ms <= 0) {
        const channel = new MessageChannel();
        channel.port1.onmessage = () => { if (link.wake === resume) resume(); };
        channel.port2.postMessage(0);
      } else {
        timer = setTimeout(() => { timer = null; if (link.wake === resume) resume(); }, ms);
      }
    });
  },

  // Fields: kind, a, b, c (int32 each); text: the key's name, NUL-ended.
  drovanel_page_take_event: function(fields, text, textSize) {
    const event = Drovanel_Link.events.shift();
    if (!event) return 0;
    const kinds = {key: 1, mouse: 2, focus: 3, room: 4, refresh: 5};
    let a = 0, b = 0, c = 0;
    if (event.type === 'key') { a = event.ctrl ? 1 : 0; b = event.alt ? 1 : 0; }
    if (event.type === 'mouse') { a = event.code; b = event.x; c = event.y; }
    if (event.type === 'focus') a = event.has ? 1 : 0;
    if (event.type === 'room') { a = event.room[0]; b = event.room[1]; }
    HEAP32[fields >> 2] = kinds[event.type] || 0;
    HEAP32[(fields >> 2) + 1] = a;
    HEAP32[(fields >> 2) + 2] = b;
    HEAP32[(fields >> 2) + 3] = c;
    stringToUTF8(event.type === 'key' ? String(event.key) : '', text, textSize);
    return 1;
  },

  Page_Room: function(width, height) {
    HEAP32[width >> 2] = Drovanel_Link.room[0];
    HEAP32[height >> 2] = Drovanel_Link.room[1];
  },

  // 1 when a typed byte waits, 2 when none does and the input ended, 0 otherwise.
  drovanel_page_input_state: function() {
    if (Drovanel_Link.input.length > 0) return 1;
    return Drovanel_Link.inputEnded ? 2 : 0;
  },

  drovanel_page_take_input: function() { return Drovanel_Link.input.shift(); },

  // The program waits for a reply, after all it wrote: the page gives its console the keyboard.
  drovanel_page_reading: function() {
    Drovanel_Link.flush();
    Drovanel_Link.send({type: 'read'});
  },

  Page_Tell_Exit: function(status) { Drovanel_Link.tellExit(status); },

  Page_Open_Field: function(width, height) {
    Drovanel_Link.send({type: 'open', width, height});
  },

  Page_Close_Field: function() { Drovanel_Link.send({type: 'close'}); },

  Page_Set_Title: function(title) {
    Drovanel_Link.send({type: 'title', text: UTF8ToString(title)});
  },

  Page_Want_Keyboard: function() { Drovanel_Link.send({type: 'want-keyboard'}); },

  // A band of the frame being made; the frame goes to the page whole, so that it never shows half of one.
  Page_Show_Rows: function(top, rows, width, rgba) {
    const pixels = HEAPU8.slice(rgba, rgba + rows * width * 4);
    Drovanel_Link.bands.push({top, rows, width, pixels});
  },

  Page_End_Frame: function(outputWidth, outputHeight) {
    const bands = Drovanel_Link.bands;
    Drovanel_Link.bands = [];
    if (bands.length > 0)
      Drovanel_Link.send({type: 'frame', outputWidth, outputHeight, bands}, bands.map(band => band.pixels.buffer));
  },
});
