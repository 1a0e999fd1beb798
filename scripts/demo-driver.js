// The demonstration's shopper, for runs without a person at the screen:
// types the card into the checkout page, pays, and reports what the
// plug-in left in its properties. Runs in the checkout page once it has
// loaded; vemompiHost is the host's (vemompi-host --driver). At the
// issuer, scripts/demo-cardholder.js types the password
// (vemompi-host --cardholder).
"use strict";
// The sandbox's password card (the issuer asks for 1234), or the test card
// named after "#" in the page's address.
const CARD = /^#\d{13,19}$/.test(location.hash) ? location.hash.slice(1) : "4000000000000010";
const RESULTS = ["Code1", "Msg1", "Code2", "Msg2", "Eci", "CavvAlg", "Cavv", "Md", "AcsUrl", "TermUrl", "realPan", "json"];

function masked(name, value) {
  // The cryptogram is the issuer's proof of this authentication: keep it out of logs.
  return name === "Cavv" && value.length > 4 ? value.slice(0, 4) + "*".repeat(value.length - 4) : value;
}

function pay() {
  // GetPAReq2 runs inside the submit handler: this returns when the dialog has ended.
  document.getElementById("pay").requestSubmit();
  const outcome = document.body.dataset.outcome || "none";
  vemompiHost.log("outcome: " + outcome + " - " + document.getElementById("outcome").textContent);
  for (const name of RESULTS) vemompiHost.log(name + " = " + masked(name, String(VemoMPI[name])));
  setTimeout(() => {
    vemompiHost.screenshot("result");
    setTimeout(() => vemompiHost.exit(outcome === "success" ? 0 : 1), 300);
  }, 300);
}

document.getElementById("pan").value = CARD;
// The window shows the page once it has painted it.
setTimeout(() => {
  vemompiHost.screenshot("checkout");
  setTimeout(pay, 300);
}, 800);
