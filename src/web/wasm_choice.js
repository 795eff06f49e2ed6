// Which build of the program this browser runs: the script's name.
export async function chooseModule() {
  return "morvex.js";
}
