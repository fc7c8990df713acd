// The demo application's side of the browser contract.
//
// A plug-in element carries, in its "Content" property, an object with __TesraFacade. The browser hands
// that facade its service object (SetTesraBrowserService) and calls it with messages (DoMessage) and
// keys (DoHotKey). This page shows everything it receives and reports each call to its server with
// POST /__report, one line per event, so that a test can read what happened from GET /__events.
//
// Query parameters understood by every page:
//   name=X       prefix every reported line with "X: " (tells frames and windows apart)
//   auto=A,B(1)  call these service members right after the first binding (once per window, not again
//                after a reload); arguments in JSON
//   delay=MS     wait that long after the binding before the auto calls (lets the page paint first)
//   autoon=NAME  make the auto calls when DoMessage NAME arrives, not after the first binding
//   title=T      set the page title to T at that moment, before the calls
//   report=parent  hand the lines to the parent window instead of the server (foreign frames)
(function () {
  'use strict';

  const params = new URLSearchParams(location.search);
  const pageName = params.get('name') || '';

  // Default arguments of the service members; null marks the read-only property.
  const MEMBERS = {
    ShowNewMessageHint: [3, ''],
    Close: [],
    GetCaptureImage: [1],
    RegisterHotKey: [1, 3, 70],  // id 1, Control+Alt, key F
    Refresh: [],
    VersionInfo: null,
    GetCPUInfo: [0],
    GetMemoryInfo: [0],
    GetOSVersion: [],
    GetInstalledSoft: [],
  };

  function encode(value) {
    return value === undefined ? 'undefined' : JSON.stringify(value);
  }

  function logElement() {
    let log = document.getElementById('log');
    if (!log && document.body) {
      log = document.createElement('pre');
      log.id = 'log';
      document.body.appendChild(log);
    }
    return log;
  }

  // Shows a line in the page; long values (pictures, software lists) are shortened on screen only.
  function show(line) {
    const log = logElement();
    if (!log) return;
    const shown = line.length > 240 ? line.slice(0, 240) + ' …（共 ' + line.length + ' 字符）' : line;
    log.textContent += new Date().toTimeString().slice(0, 8) + '  ' + shown + '\n';
    log.scrollTop = log.scrollHeight;
  }

  // Synchronous, so that lines reach the server in order and before a window closes.
  function send(line) {
    if (params.get('report') === 'parent' && window.parent !== window) {
      window.parent.postMessage({ tesraReport: line }, '*');
      return;
    }
    try {
      const request = new XMLHttpRequest();
      request.open('POST', '/__report', false);
      request.setRequestHeader('Content-Type', 'text/plain;charset=UTF-8');
      request.send(line);
    } catch (error) {
      show('（上报失败：' + error.message + '）');
    }
  }

  function report(line, tag) {
    const prefix = tag === undefined ? pageName : tag;
    const full = prefix ? prefix + ': ' + line : line;
    show(full);
    send(full);
  }

  function setState(text) {
    const state = document.getElementById('state');
    if (state) state.textContent = text;
  }

  // One facade per plug-in element; its lines carry the tag.
  function makeFacade(tag) {
    const facade = {
      service: null,
      SetTesraBrowserService(service) {
        const first = facade.service === null;
        facade.service = service;
        report('SetTesraBrowserService', tag);
        setState('已绑定');
        if (first && tag === undefined && !params.get('autoon')) setTimeout(runAuto, Number(params.get('delay') || 0), facade);
      },
      DoMessage(name, value) {
        report('DoMessage ' + String(name) + ' ' + encode(value), tag);
        if (tag === undefined && params.get('autoon') === String(name)) setTimeout(runAuto, Number(params.get('delay') || 0), facade);
      },
      DoHotKey(key) {
        report('DoHotKey ' + encode(key), tag);
      },
    };
    return facade;
  }

  function errorText(error) {
    if (error && error.message !== undefined) return String(error.message);
    return String(error);
  }

  function showPicture(base64) {
    let picture = document.getElementById('picture');
    if (!picture) {
      picture = document.createElement('img');
      picture.id = 'picture';
      picture.alt = '截图';
      document.body.appendChild(picture);
    }
    picture.src = 'data:image/jpeg;base64,' + base64;
  }

  // Calls one member of the service object and reports its result or its error.
  function callMember(facade, name, args) {
    if (!facade.service) {
      report('error ' + name + ' 尚未绑定');
      return;
    }
    try {
      let result;
      if (MEMBERS[name] === null) {
        result = facade.service[name];
      } else {
        const list = (args || MEMBERS[name] || []).slice();
        if (name === 'RegisterHotKey' && list.length < 4) list.push(facade);
        result = facade.service[name](...list);
      }
      report('call ' + name + ' ' + encode(result));
      if (name === 'GetCaptureImage' && typeof result === 'string' && result) showPicture(result);
    } catch (error) {
      report('error ' + name + ' ' + errorText(error));
    }
  }

  // "A,B(1,\"x\"),C" -> [["A", null], ["B", [1, "x"]], ["C", null]]
  function parseAuto(text) {
    const items = [];
    let depth = 0;
    let quoted = false;
    let start = 0;
    for (let i = 0; i <= text.length; i++) {
      const c = text[i];
      if (quoted) {
        if (c === '\\') i++;
        else if (c === '"') quoted = false;
      } else if (c === '"') quoted = true;
      else if (c === '(') depth++;
      else if (c === ')') depth--;
      else if ((c === ',' && depth === 0) || i === text.length) {
        const item = text.slice(start, i).trim();
        if (item) items.push(item);
        start = i + 1;
      }
    }
    return items.map((item) => {
      const match = /^(\w+)(?:\((.*)\))?$/s.exec(item);
      if (!match) return [item, undefined];
      if (match[2] === undefined) return [match[1], null];
      try {
        return [match[1], JSON.parse('[' + match[2] + ']')];
      } catch (error) {
        return [match[1], undefined];
      }
    });
  }

  // Once per window: a page that reloads itself (auto=Refresh) must not do it again and again.
  function firstAutoRun() {
    const key = 'tesra-auto ' + location.href;
    try {
      if (sessionStorage.getItem(key)) return false;
      sessionStorage.setItem(key, '1');
    } catch (error) {
      // Without storage every load runs the calls.
    }
    return true;
  }

  function runAuto(facade) {
    if (params.get('title')) document.title = params.get('title');
    if (!params.get('auto') || !firstAutoRun()) return;
    for (const [name, args] of parseAuto(params.get('auto'))) {
      if (args === undefined) report('error ' + name + ' 参数无法解析');
      else callMember(facade, name, args);
    }
  }

  // Gives the element the Content object that the browser looks for.
  function attach(element, tag) {
    const facade = makeFacade(tag);
    element.Content = { __TesraFacade: facade };
    return facade;
  }

  function numberInput(id, value, label) {
    return '<label>' + label + ' <input id="' + id + '" type="number" value="' + value + '"></label>';
  }

  function valueOf(id) {
    return Number(document.getElementById(id).value);
  }

  // A button for each member of the service object, with inputs for the arguments that matter.
  function buildServiceButtons(container, facade) {
    container.innerHTML =
        numberInput('count', 3, '新消息数') + numberInput('mode', 1, '截图方式') +
        numberInput('hotkey-id', 1, '热键编号') + numberInput('hotkey-mod', 3, '修饰键') +
        numberInput('hotkey-vk', 70, '键码') + '<br>';
    const argsOf = {
      ShowNewMessageHint: () => [valueOf('count'), 'demo'],
      GetCaptureImage: () => [valueOf('mode')],
      RegisterHotKey: () => [valueOf('hotkey-id'), valueOf('hotkey-mod'), valueOf('hotkey-vk')],
    };
    for (const name of Object.keys(MEMBERS)) {
      const button = document.createElement('button');
      button.id = 'call-' + name;
      button.textContent = name;
      button.addEventListener('click', () => callMember(facade, name, argsOf[name] ? argsOf[name]() : null));
      container.appendChild(button);
    }
  }

  // The browser announces its engine version by assigning this global.
  function watchVersion() {
    let version;
    Object.defineProperty(window, '__TesraBrowser_IEVersion', {
      configurable: true,
      get() { return version; },
      set(value) {
        version = value;
        report('IEVersion ' + encode(value));
      },
    });
  }

  watchVersion();
  window.addEventListener('load', () => report('load ' + location.href));

  window.TesraDemo = { params, report, show, attach, callMember, buildServiceButtons, encode };
})();
