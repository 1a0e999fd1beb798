// The demonstration's cardholder at the issuer: runs in every page the
// control's dialog loads (vemompi-host --cardholder). On the issuer's
// password page it types the sandbox card's password, lets the page show
// it (masked, as a person sees it) and submits; other pages it leaves
// alone. It sees the page's document, not the page's script.
"use strict";
const PASSWORD = "1234";
const field = document.getElementById("pw");
const form = field && field.form;
if (field && form && field.type === "password") {
  field.focus();
  field.value = PASSWORD;
  vemompiHost.log("cardholder: password typed at " + document.title);
  setTimeout(() => {
    vemompiHost.log("cardholder: submitted");
    form.submit();
  }, 600);
}
