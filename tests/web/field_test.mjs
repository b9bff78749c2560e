// The page's field: a game steered through two exit gaps with keys typed
// into the field; a level that waits for the keyboard, with the hint, while
// the page lacks it, until the player clicks; a screenshot of the whole
// framed field on a doubled (HiDPI) screen, sharp, and again once resized.
import assert from 'node:assert/strict';
import {writeFileSync} from 'node:fs';
import {after, test} from 'node:test';

import * as B from './browser.mjs';

const {Page_Folder} = B.Build_Folders();
const Server = await B.Serve([Page_Folder]);
after(() => Server.close());

const Speed_Prompt = "Speed 'The Lower the Faster' Rec 220000 :";

// Runs Function in the page with Arguments; its value.
const In_Page = (Browser, Function, ...Arguments) =>
  B.Evaluate(Browser, `(${Function})(...${JSON.stringify(Arguments)})`);

// The field's picture, in the page: width, height and whether each pixel is black.
function Black_Map() {
  const Field = document.getElementById('field');
  const Data = Field.getContext('2d').getImageData(0, 0, Field.width, Field.height).data;
  let Pixels = '';
  for (let I = 0; I < Data.length; I += 4) Pixels += Data[I] + Data[I + 1] + Data[I + 2] === 0 ? '1' : '0';
  return {Width: Field.width, Height: Field.height, Pixels};
}

// The keys ('a' down, 'b' up, one a step) that fly the dot from (X, Y) past
// the wall at Width - 20 touching no black: the columns one by one, each
// row reachable from the last column's. The path keeps Margin pixels clear
// of black right of X, where there is such a path.
function Plan_Path({Width, Height, Pixels}, X, Y, Margin = 2) {
  const Black = (Column, Row) => Row < 0 || Row >= Height || Pixels[Row * Width + Column] === '1';
  const Near_Black = (Column, Row) => {
    for (let Across = Math.max(X + 1, Column - Margin); Across <= Math.min(Width - 1, Column + Margin); ++Across)
      for (let Down = Row - Margin; Down <= Row + Margin; ++Down) if (Black(Across, Down)) return true;
    return false;
  };
  const Wall = Width - 20;
  let Reachable = new Map([[Y, '']]);
  for (let Column = X + 1; Column <= Wall; ++Column) {
    const Next = new Map();
    for (const [Row, Keys] of Reachable) {
      for (const [Key, To] of [['a', Row + 1], ['b', Row - 1]])
        if (!Near_Black(Column, To) && !Next.has(To)) Next.set(To, Keys + Key);
    }
    Reachable = Next;
  }
  const Through = [...Reachable.values()];
  if (Through.length === 0 && Margin > 0) return Plan_Path({Width, Height, Pixels}, X, Y, 0);
  assert.ok(Through.length > 0, 'no path leads through the gap');
  return Through[0];
}

// The console's line feeds so far.
const Line_Feeds = async Browser => (await B.History(Browser)).split('\n').length - 1;

// A left click in the middle of an element of the page.
async function Click_On(Browser, Id) {
  const [X, Y] = await In_Page(Browser, Id => {
    const Box = document.getElementById(Id).getBoundingClientRect();
    return [Box.left + Box.width / 2, Box.top + Box.height / 2];
  }, Id);
  await B.Click(Browser, X, Y);
}

test('a game steered with keys through two exit gaps', async () => {
  const Browser = await B.Launch({Width: 640, Height: 520});
  try {
    await B.Open_Game(Browser, Server.url);
    await B.Wait_For_Read(Browser, 1);
    const Size = await In_Page(Browser, () => [document.getElementById('field').width,
                                              document.getElementById('field').height]);
    const [Width, Height] = Size;
    // Level 0 has no obstacle: a zigzag through the middle rows, typed into
    // the field before the replies, with level 1's first 59 steps, which stay
    // left of x = 80, where no obstacle can be.
    await Click_On(Browser, 'field');
    const Level_0 = 'ab'.repeat((Width - 40) / 2) + 'ab'.repeat(29) + 'a';
    for (const Key of Level_0) await B.Press(Browser, Key);
    await Click_On(Browser, 'reply');
    // 80 steps a second: level 1's picture is read and its path typed while the first 59 steps fly.
    await B.Type(Browser, '1100000\n0\n');
    const Before_Level_1 = 2 + (Width - 40);
    await B.Wait_For(Browser, `document.getElementById('history').textContent.split('\\n').length - 1 >= ${
      Before_Level_1}`, 'level 0 passed', 30);
    // The picture of level 1: the frame, its obstacle, no trail of level 0 on the middle rows.
    let Picture;
    for (let Tries = 0; Tries < 50; ++Tries) {
      Picture = await In_Page(Browser, Black_Map);
      const Middle = Math.floor(Height / 2);
      const Trail = [...Picture.Pixels.slice(Middle * Width + 90, Middle * Width + Width - 30)].filter(P => P === '1');
      if (Trail.length <= 21) break;
      await new Promise(Resolve => setTimeout(Resolve, 10));
    }
    const Keys = Plan_Path(Picture, 79, Math.floor(Height / 2) + 1);
    for (const Key of Keys) await B.Press(Browser, Key);
    // The keys run out on level 2, where the dot flies on into black.
    const Written = await B.Answer_Reads(Browser, ['0'], {Answered: 2});
    assert.match(Written, /You started on level: 0\nYou reached Level: 2\n$/);
    assert.equal(await B.Exit_Status(Browser), '0');
  } finally {
    await B.Close(Browser);
  }
});

test('a level waits for the keyboard, with the hint, until the player clicks the field', async () => {
  const Browser = await B.Launch({Width: 640, Height: 520});
  try {
    // A page that does not have the keyboard (another window has it): the
    // replies are sent by the page's own handler, since typed keys would
    // bring the page the keyboard.
    await B.Open(Browser, Server.url);
    assert.equal(await B.Evaluate(Browser, 'document.hasFocus()'), false);
    for (const [Read, Line] of [[1, '220000'], [2, '1']]) {
      await B.Wait_For_Read(Browser, Read);
      await B.Evaluate(Browser, `document.getElementById('reply').value = '${Line}',
        document.getElementById('reply').dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter'}))`);
    }
    // The hint: blue with a yellow edge, in the middle of the field.
    const Hint_Shown = `(() => { const Field = document.getElementById('field');
      const [R, G, B] = Field.getContext('2d').getImageData(Field.width / 2 - 60, Field.height / 2, 1, 1).data;
      return R === 0 && G === 0 && B === 0xAA; })()`;
    await B.Wait_For(Browser, Hint_Shown, 'the hint');
    const Waiting = await Line_Feeds(Browser);
    await new Promise(Resolve => setTimeout(Resolve, 500));
    assert.equal(await Line_Feeds(Browser), Waiting, 'the flight did not wait');
    await Click_On(Browser, 'field');
    await B.Wait_For(Browser, `!${Hint_Shown}`, 'the hint gone after the click');
    await B.Wait_For(Browser, `document.getElementById('history').textContent.split('\\n').length - 1 > ${
      Waiting + 20}`, 'the flight after the click');
  } finally {
    await B.Close(Browser);
  }
});

// In the page: the screenshot Png (base64) as device pixels, and where the
// field's black frame lies in it.
async function Frame_In_Screenshot(Png) {
  const Image_Of = new Image();
  Image_Of.src = 'data:image/png;base64,' + Png;
  await Image_Of.decode();
  const Drawn = new OffscreenCanvas(Image_Of.width, Image_Of.height).getContext('2d');
  Drawn.drawImage(Image_Of, 0, 0);
  const Data = Drawn.getImageData(0, 0, Image_Of.width, Image_Of.height).data;
  const At = (X, Y) => Data.slice((Y * Image_Of.width + X) * 4, (Y * Image_Of.width + X) * 4 + 3).join(',');
  const Field = document.getElementById('field');
  const [W, H] = [Field.width, Field.height];
  const Black = '0,0,0', White = '255,255,255';
  const Column = (X, From, To) => { const Colors = new Set(); for (let Y = From; Y <= To; ++Y) Colors.add(At(X, Y)); return [...Colors]; };
  const Row = (Y, From, To) => { const Colors = new Set(); for (let X = From; X <= To; ++X) Colors.add(At(X, Y)); return [...Colors]; };
  const Middle = Math.floor(H / 2);
  return {
    Size: [Image_Of.width, Image_Of.height], Field: [W, H],
    Left: Column(10, 10, H - 10), Top: Row(10, 10, W - 20), Bottom: Row(H - 10, 10, W - 20),
    Right_Above_Gap: Column(W - 20, 10, Middle - 31),
    Gap_White: [...Array(61).keys()].filter(Row => At(W - 20, Middle - 30 + Row) === White).length,
    Beside_Left: [...new Set([...Column(9, 12, H - 12), ...Column(11, 12, H - 12)])].filter(C => C === Black).length,
    Black, White,
  };
}

test('a screenshot shows the whole framed field, sharp on a doubled screen and once resized', async () => {
  const Browser = await B.Launch({Width: 800, Height: 600, Scale: 2});
  try {
    await B.Open_Game(Browser, Server.url);
    await B.Wait_For_Read(Browser, 1);
    await B.Type(Browser, '2200000\n1\n');  // slowly: the trail stays short
    await B.Wait_For(Browser, `document.getElementById('history').textContent.split('\\n').length > 40`,
                     'the flight');
    const Ratio = await In_Page(Browser, () => {
      const Field = document.getElementById('field');
      return [Field.width / Field.getBoundingClientRect().width, window.devicePixelRatio];
    });
    assert.deepEqual(Ratio, [2, 2], 'one canvas pixel per device pixel');
    const Png = await B.Screenshot(Browser);
    writeFileSync('web_field_screenshot.png', Png);  // in the test's working directory, to be looked at
    const Found = await In_Page(Browser, Frame_In_Screenshot, Png.toString('base64'));
    assert.deepEqual(Found.Left, [Found.Black]);
    assert.deepEqual(Found.Top, [Found.Black]);
    assert.deepEqual(Found.Bottom, [Found.Black]);
    assert.deepEqual(Found.Right_Above_Gap, [Found.Black]);
    // The gap's 61 rows are white, but for the edge of a square that may lie over it (21 rows at most).
    assert.ok(Found.Gap_White >= 40, `the exit gap: ${Found.Gap_White} white rows`);
    assert.equal(Found.Beside_Left, 0, 'the frame is one device pixel wide, not blurred');
    assert.match(await B.History(Browser), new RegExp('^' + Speed_Prompt.replace(/[()]/g, '\\$&')));

    // Resized: the whole canvas is shown again in the new room, scaled, in the palette's colours only.
    await B.Command(Browser, 'Emulation.setDeviceMetricsOverride',
                    {width: 500, height: 500, deviceScaleFactor: 2, mobile: false});
    await B.Wait_For(Browser, `document.getElementById('field').width === ${2 * 500}`, 'the field laid out anew');
    await new Promise(Resolve => setTimeout(Resolve, 300));
    const Colours = await In_Page(Browser, () => {
      const Field = document.getElementById('field');
      const Data = Field.getContext('2d').getImageData(0, 0, Field.width, Field.height).data;
      const Seen = new Set();
      for (let I = 0; I < Data.length; I += 4) Seen.add((Data[I] << 16) | (Data[I + 1] << 8) | Data[I + 2]);
      return [...Seen];
    });
    const Palette = [0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
                     0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF];
    assert.ok(Colours.every(Colour => Palette.includes(Colour)), 'only the palette: no blended pixels');
    assert.ok(Colours.includes(0xFFFFFF) && Colours.includes(0), 'the field is still shown');
  } finally {
    await B.Close(Browser);
  }
});
