// The scale rule of the picture, in one place.

export const PictureWidth = 1280;
export const PictureHeight = 720;

// Where the 1280 x 720 picture goes in a viewport of cssWidth x cssHeight CSS
// pixels at devicePixelRatio dpr. The largest whole factor k of device pixels
// that fits: each picture pixel becomes exactly k x k device pixels, centred on
// black and placed on whole device pixels. Where no whole factor of at least 1
// fits (a phone), or when fill is asked (fullscreen, the visitor prefers
// filling), the picture fits the viewport keeping its aspect, sampled nearest.
// Returns the rectangle in CSS pixels, its size in device pixels and k (0 when
// fitted).
export function pictureRect(cssWidth, cssHeight, dpr, fill) {
  const ratio = dpr > 0 ? dpr : 1;
  const deviceWidth = Math.floor(cssWidth * ratio);
  const deviceHeight = Math.floor(cssHeight * ratio);
  const k = Math.min(Math.floor(deviceWidth / PictureWidth), Math.floor(deviceHeight / PictureHeight));
  let width, height, factor;
  if (k >= 1 && !fill) {
    width = PictureWidth * k;
    height = PictureHeight * k;
    factor = k;
  } else {
    const s = Math.min(deviceWidth / PictureWidth, deviceHeight / PictureHeight);
    width = Math.max(1, Math.floor(PictureWidth * s));
    height = Math.max(1, Math.floor(PictureHeight * s));
    factor = 0;
  }
  const left = Math.floor((deviceWidth - width) / 2);
  const top = Math.floor((deviceHeight - height) / 2);
  return {
    factor, deviceWidth: width, deviceHeight: height,
    left: left / ratio, top: top / ratio, width: width / ratio, height: height / ratio,
  };
}
